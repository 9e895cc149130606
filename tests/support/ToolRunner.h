#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

// An environment for a child process, exactly as given: NAME -> value.
using Environment = std::map<std::string, std::string>;

// Adds the sanitizers' option variables the test itself runs with, so that a child built with the
// same sanitizers reports under the same options.
void addSanitizerOptions(Environment& environment);

// How a program run ended and what it wrote.
struct ToolResult {
  // Its exit status; 128 + the signal number when a signal ended it; -1 when it could not be
  // started or did not end before the deadline (then stderrText says which).
  int exitStatus = -1;
  std::string stdoutText;
  std::string stderrText;
};

// Runs the program with exactly these arguments (argv[0] is the executable's path) and this
// environment, standard input from /dev/null, and collects both output streams until it ends.
// A program still running at the deadline is killed. Output written afterwards by processes it
// left behind (a daemon that kept the streams) is not waited for.
ToolResult runTool(const std::filesystem::path& executable,
                   const std::vector<std::string>& arguments, const Environment& environment,
                   std::chrono::seconds deadline = std::chrono::seconds(60));

// A program started in the background with exactly these arguments and this environment, killed
// (SIGKILL) and reaped when the object goes away unless it has ended by then. Standard input is
// /dev/null; it writes to the test's own output streams, or its standard output to `out` when
// that is a descriptor.
class BackgroundProcess {
 public:
  // Throws std::runtime_error when the program cannot be started.
  BackgroundProcess(const std::filesystem::path& executable,
                    const std::vector<std::string>& arguments, const Environment& environment,
                    int out = -1);
  ~BackgroundProcess();
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;
  BackgroundProcess(BackgroundProcess&&) = delete;
  BackgroundProcess& operator=(BackgroundProcess&&) = delete;

  pid_t pid() const { return pid_; }
  // Sends SIGKILL and waits for the end.
  void kill();
  // Waits for the end and returns the exit status (128 + signal number for a signal).
  int wait();

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
  int status_ = -1;
};

}  // namespace testsupport
