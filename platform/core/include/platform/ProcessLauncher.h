#pragma once

#include <sys/types.h>

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
// desktop, the desktop's). Both operations may be called from any thread.
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

  // Starts the program and blocks the calling thread until it ends. Returns its exit status, or the
  // signal number when a signal ended it.
  Result<int> run(const std::filesystem::path& executable,
                  const std::vector<std::string>& arguments) const;

 private:
  Result<pid_t> spawn(const std::filesystem::path& executable,
                      const std::vector<std::string>& arguments) const;
  SystemPaths paths_;
  StartJournal journal_;
};

}  // namespace platform
