#include "support/ToolRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace testsupport {
namespace {

// The argument and environment vectors posix_spawn takes, owning their strings.
class SpawnVectors {
 public:
  SpawnVectors(const std::filesystem::path& executable, const std::vector<std::string>& arguments,
               const Environment& environment) {
    strings_.push_back(executable.string());
    strings_.insert(strings_.end(), arguments.begin(), arguments.end());
    const std::size_t argumentCount = strings_.size();
    for (const auto& [name, value] : environment) {
      strings_.push_back(name);
      strings_.back().append("=").append(value);
    }
    for (std::size_t index = 0; index < strings_.size(); ++index) {
      (index < argumentCount ? argv_ : envp_).push_back(strings_[index].data());
    }
    argv_.push_back(nullptr);
    envp_.push_back(nullptr);
  }

  char* const* argv() { return argv_.data(); }
  char* const* envp() { return envp_.data(); }

 private:
  std::vector<std::string> strings_;
  std::vector<char*> argv_;
  std::vector<char*> envp_;
};

// Standard input from /dev/null, optionally standard output and error to the given descriptors,
// and no other descriptor of the test process.
class FileActions {
 public:
  FileActions(int out, int err) {
    posix_spawn_file_actions_init(&actions_);
    posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (out >= 0) {
      posix_spawn_file_actions_adddup2(&actions_, out, STDOUT_FILENO);
    }
    if (err >= 0) {
      posix_spawn_file_actions_adddup2(&actions_, err, STDERR_FILENO);
    }
    posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
  }
  ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  FileActions(FileActions&&) = delete;
  FileActions& operator=(FileActions&&) = delete;

  const posix_spawn_file_actions_t* get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
};

// A descriptor closed when it goes away.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  Descriptor(Descriptor&&) = delete;
  Descriptor& operator=(Descriptor&&) = delete;

  int get() const { return fd_; }
  void reset(int fd = -1) {
    if (fd_ >= 0) {
      ::close(fd_);
    }
    fd_ = fd;
  }

 private:
  int fd_;
};

int exitStatusOf(int waitStatus) {
  if (WIFSIGNALED(waitStatus)) {
    return 128 + WTERMSIG(waitStatus);
  }
  return WEXITSTATUS(waitStatus);
}

int waitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) == -1) {
    if (errno != EINTR) {
      return -1;
    }
  }
  return exitStatusOf(status);
}

// Reads what the pipe holds without blocking. False at its end (or on an error).
bool drain(int fd, std::string& text) {
  std::array<char, 16384> chunk{};
  for (;;) {
    const ssize_t received = ::read(fd, chunk.data(), chunk.size());
    if (received > 0) {
      text.append(chunk.data(), static_cast<std::size_t>(received));
    } else if (received < 0 && errno == EINTR) {
      continue;
    } else {
      return received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
  }
}

}  // namespace

void addSanitizerOptions(Environment& environment) {
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name); value != nullptr) {
      environment[name] = value;
    }
  }
}

ToolResult runTool(const std::filesystem::path& executable,
                   const std::vector<std::string>& arguments, const Environment& environment,
                   std::chrono::seconds deadline) {
  ToolResult result;
  std::array<int, 2> outPipe{-1, -1};
  std::array<int, 2> errPipe{-1, -1};
  // Only the test's ends read without blocking: a program's write to a full pipe must wait, not
  // fail, or a long output is cut short.
  if (::pipe2(outPipe.data(), O_CLOEXEC) != 0 || ::fcntl(outPipe[0], F_SETFL, O_NONBLOCK) != 0) {
    result.stderrText = std::string("runTool: no pipe: ") + std::strerror(errno);
    return result;
  }
  Descriptor outRead(outPipe[0]);
  Descriptor outWrite(outPipe[1]);
  if (::pipe2(errPipe.data(), O_CLOEXEC) != 0 || ::fcntl(errPipe[0], F_SETFL, O_NONBLOCK) != 0) {
    result.stderrText = std::string("runTool: no pipe: ") + std::strerror(errno);
    return result;
  }
  Descriptor errRead(errPipe[0]);
  Descriptor errWrite(errPipe[1]);

  SpawnVectors vectors(executable, arguments, environment);
  const FileActions actions(outWrite.get(), errWrite.get());
  pid_t pid = 0;
  if (const int error = posix_spawn(&pid, executable.c_str(), actions.get(), nullptr,
                                    vectors.argv(), vectors.envp());
      error != 0) {
    result.stderrText =
        "runTool: " + executable.string() + " could not start: " + std::strerror(error);
    return result;
  }
  outWrite.reset();
  errWrite.reset();

  // The child's end is watched through a process descriptor: once it has ended, everything it
  // wrote is in the pipes, even when something it started still holds them open.
  // (Through syscall: this glibc's <sys/pidfd.h> declares pidfd_open without C linkage.)
  const Descriptor processFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0U)));
  const auto until = std::chrono::steady_clock::now() + deadline;
  bool ended = false;
  while (!ended && (outRead.get() >= 0 || errRead.get() >= 0 || processFd.get() >= 0)) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      ::kill(pid, SIGKILL);
      waitFor(pid);
      result.stderrText += "\nrunTool: killed " + executable.filename().string() +
                           ", which was still running at the deadline";
      return result;
    }
    std::array<pollfd, 3> watched{
        {{outRead.get(), POLLIN, 0}, {errRead.get(), POLLIN, 0}, {processFd.get(), POLLIN, 0}}};
    if (::poll(watched.data(), watched.size(), static_cast<int>(left.count())) < 0 &&
        errno != EINTR) {
      break;
    }
    ended = watched[2].revents != 0;
    if ((watched[0].revents != 0 || ended) && outRead.get() >= 0 &&
        !drain(outRead.get(), result.stdoutText)) {
      outRead.reset();
    }
    if ((watched[1].revents != 0 || ended) && errRead.get() >= 0 &&
        !drain(errRead.get(), result.stderrText)) {
      errRead.reset();
    }
  }
  result.exitStatus = waitFor(pid);
  return result;
}

BackgroundProcess::BackgroundProcess(const std::filesystem::path& executable,
                                     const std::vector<std::string>& arguments,
                                     const Environment& environment, int out) {
  SpawnVectors vectors(executable, arguments, environment);
  const FileActions actions(out, -1);
  if (const int error = posix_spawn(&pid_, executable.c_str(), actions.get(), nullptr,
                                    vectors.argv(), vectors.envp());
      error != 0) {
    throw std::runtime_error(executable.string() + " could not start: " + std::strerror(error));
  }
}

BackgroundProcess::~BackgroundProcess() {
  kill();
}

void BackgroundProcess::kill() {
  if (!reaped_) {
    ::kill(pid_, SIGKILL);
    wait();
  }
}

int BackgroundProcess::wait() {
  if (!reaped_) {
    status_ = waitFor(pid_);
    reaped_ = true;
  }
  return status_;
}

}  // namespace testsupport
