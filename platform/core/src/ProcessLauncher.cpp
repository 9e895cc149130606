#include "platform/ProcessLauncher.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>

#include "ChildWait.h"
#include "SystemFiles.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX leaves it undeclared.

namespace platform {
namespace {

Error startError(const std::filesystem::path& executable, int errorNumber) {
  std::string reason;
  switch (errorNumber) {
    case ENOENT:
      reason = "there is no such file";
      break;
    case EACCES:
    case EPERM:
      reason = "it is not executable";
      break;
    case EISDIR:
      reason = "it is a folder";
      break;
    case ENOEXEC:
      reason = "it is not a program the system can run";
      break;
    case ENOTDIR:
      reason = "a part of its path is not a folder";
      break;
    default:
      reason = std::string("of an error: ") + std::strerror(errorNumber);
      break;
  }
  return Error{errorDomain::process, errorNumber,
               "The program “" + executable.filename().string() + "” couldn’t be started because " +
                   reason + "."};
}

// The errno that keeps the file from being started, or 0 when it is an executable regular file.
// Checked before spawning because an exec failure after the fork can otherwise look like a child
// that exited with status 127.
int startProblem(const std::filesystem::path& executable) {
  struct stat status {};
  if (stat(executable.c_str(), &status) == -1) {
    return errno;
  }
  if (S_ISDIR(status.st_mode)) {
    return EISDIR;
  }
  if (!S_ISREG(status.st_mode)) {
    return EACCES;
  }
  // For root this still needs at least one execute permission bit.
  if (access(executable.c_str(), X_OK) == -1) {
    return errno;
  }
  return 0;
}

struct FileActions {
  posix_spawn_file_actions_t actions{};
  FileActions() { posix_spawn_file_actions_init(&actions); }
  ~FileActions() { posix_spawn_file_actions_destroy(&actions); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  FileActions(FileActions&&) = delete;
  FileActions& operator=(FileActions&&) = delete;
};

struct Attributes {
  posix_spawnattr_t attributes{};
  Attributes() { posix_spawnattr_init(&attributes); }
  ~Attributes() { posix_spawnattr_destroy(&attributes); }
  Attributes(const Attributes&) = delete;
  Attributes& operator=(const Attributes&) = delete;
  Attributes(Attributes&&) = delete;
  Attributes& operator=(Attributes&&) = delete;
};

// How long a program still running at its time limit has to end on SIGTERM before it is killed.
constexpr std::chrono::milliseconds stopGrace{1000};

// "10 seconds", "1 second", "0.25 seconds".
std::string secondsText(std::chrono::milliseconds duration) {
  const auto milliseconds = duration.count();
  std::string text = std::to_string(milliseconds / 1000);
  if (const auto fraction = milliseconds % 1000; fraction != 0) {
    std::string digits = std::to_string(1000 + fraction).substr(1);
    digits.erase(digits.find_last_not_of('0') + 1);
    text += "." + digits;
  }
  return text + (milliseconds == 1000 ? " second" : " seconds");
}

Error timeoutError(const std::filesystem::path& executable, std::chrono::milliseconds limit) {
  return Error{errorDomain::process, ETIMEDOUT,
               "The program “" + executable.filename().string() + "” didn’t answer within " +
                   secondsText(limit) + " and was stopped."};
}

// The run's result from the child's wait status, or -1 with errno set when there is none.
Result<int> exitResult(const std::filesystem::path& program, int status) {
  if (status == -1) {
    // ECHILD: someone else reaped the child (for example with SIGCHLD ignored process-wide).
    const int waitError = errno;
    return std::unexpected(
        Error{errorDomain::process, waitError,
              "The program “" + program.filename().string() +
                  "” ended without reporting its exit status: " + std::strerror(waitError) + "."});
  }
  if (WIFSIGNALED(status)) {
    return WTERMSIG(status);
  }
  return WEXITSTATUS(status);
}

}  // namespace

ProcessLauncher::ProcessLauncher(SystemPaths paths, StartJournal journal)
    : paths_(std::move(paths)), journal_(std::move(journal)) {}

Result<pid_t> ProcessLauncher::spawn(const std::filesystem::path& executable,
                                     const std::vector<std::string>& arguments) const {
  const std::filesystem::path program = paths_.resolveTool(executable);
  if (const int problem = startProblem(program); problem != 0) {
    return std::unexpected(startError(program, problem));
  }

  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  std::string programPath = program.string();
  std::vector<std::string> argumentCopies = arguments;
  argv.push_back(programPath.data());
  for (std::string& argument : argumentCopies) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);

  FileActions fileActions;
  // The caller's thread may block signals or ignore SIGPIPE for itself; the child starts clean.
  Attributes attributes;
  sigset_t noSignals;
  sigemptyset(&noSignals);
  sigset_t allSignals;
  sigfillset(&allSignals);
  posix_spawnattr_setsigmask(&attributes.attributes, &noSignals);
  posix_spawnattr_setsigdefault(&attributes.attributes, &allSignals);
  posix_spawnattr_setflags(&attributes.attributes,
                           static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
  // Descriptors the caller forgot to mark close-on-exec (sockets to the desktop among them) must
  // not outlive the caller in its children.
  systemFiles::closeDescriptorsPastStandardError(fileActions.actions, attributes.attributes);

  pid_t pid = 0;
  const int result = posix_spawn(&pid, programPath.c_str(), &fileActions.actions,
                                 &attributes.attributes, argv.data(), environ);
  if (result != 0) {
    return std::unexpected(startError(program, result));
  }
  if (journal_) {
    journal_(pid, program, arguments);
  }
  return pid;
}

Result<pid_t> ProcessLauncher::launch(const std::filesystem::path& executable,
                                      const std::vector<std::string>& arguments) const {
  auto pid = spawn(executable, arguments);
  if (!pid) {
    return pid;
  }
  // One small thread per child waits for exactly that child, so the process's SIGCHLD handling and
  // other waits stay untouched. Launches are rare (a click, a login), so a thread each is cheap.
  try {
    std::thread([child = *pid] { childWait::untilExit(child); }).detach();
  } catch (const std::system_error&) {
    // Out of threads: the child runs all the same, it only stays a zombie once it ends.
    return pid;
  }
  return pid;
}

Result<int> ProcessLauncher::run(const std::filesystem::path& executable,
                                 const std::vector<std::string>& arguments) const {
  auto pid = spawn(executable, arguments);
  if (!pid) {
    return std::unexpected(pid.error());
  }
  return exitResult(paths_.resolveTool(executable), childWait::untilExit(*pid));
}

Result<int> ProcessLauncher::run(const std::filesystem::path& executable,
                                 const std::vector<std::string>& arguments,
                                 std::chrono::milliseconds timeLimit) const {
  auto pid = spawn(executable, arguments);
  if (!pid) {
    return std::unexpected(pid.error());
  }
  const childWait::BoundedExit ending = childWait::withinLimit(*pid, timeLimit, stopGrace);
  if (ending.stopped) {
    return std::unexpected(timeoutError(paths_.resolveTool(executable), timeLimit));
  }
  return exitResult(paths_.resolveTool(executable), ending.status);
}

}  // namespace platform
