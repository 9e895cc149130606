#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/SystemPaths.h"

namespace platform {

// Starts child processes from an argument vector, never through a shell. The executable is mapped
// through SystemPaths::resolveTool first. The child gets argv[0] = the executable path, the
// caller's environment and standard streams, no other open descriptors, no blocked signals and
// default signal handling. A program that cannot be started is an error in errorDomain::process
// with the errno value as code. Every start is told to the journal it was given (on an emulated
// desktop, the desktop's). Every operation may be called from any thread.
class ProcessLauncher {
 public:
  // Told of every program started: its pid, the executable and the arguments. Called on the
  // starting thread; may be empty.
  using StartJournal = std::function<void(pid_t pid, const std::filesystem::path& program,
                                          const std::vector<std::string>& arguments)>;

  ProcessLauncher(SystemPaths paths, StartJournal journal);

  // Starts the program and returns its pid without waiting for it. The child is reaped in the
  // background once it ends, so it never lingers as a zombie; do not wait for it yourself.
  Result<pid_t> launch(const std::filesystem::path& executable,
                       const std::vector<std::string>& arguments) const;

  // Starts the program and blocks the calling thread until it ends, however long that takes.
  // Returns its exit status, or the signal number when a signal ended it.
  Result<int> run(const std::filesystem::path& executable,
                  const std::vector<std::string>& arguments) const;

  // As above, but waits at most `timeLimit`. A program still running then is ended (SIGTERM, and
  // SIGKILL a second later if it is still there) and reaped; that run is an error in
  // errorDomain::process with code ETIMEDOUT and a sentence that names the program and the limit.
  Result<int> run(const std::filesystem::path& executable,
                  const std::vector<std::string>& arguments,
                  std::chrono::milliseconds timeLimit) const;

 private:
  Result<pid_t> spawn(const std::filesystem::path& executable,
                      const std::vector<std::string>& arguments) const;
  SystemPaths paths_;
  StartJournal journal_;
};

}  // namespace platform
