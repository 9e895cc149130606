#pragma once

#include <sys/types.h>

#include <array>
#include <cstddef>

namespace platform {

// Marks `fd` close-on-exec and makes it non-blocking or blocking as asked, with fcntl: one
// spelling on every POSIX system for what some systems also offer as flags when a descriptor is
// made. False, with errno set, when fcntl refuses.
[[nodiscard]] bool setDescriptorFlags(int fd, bool nonBlocking);

// Prepares a socket the process made or accepted: setDescriptorFlags, and sending on it with
// sendOnSocket never raises SIGPIPE. False, with errno set, when the system refuses.
[[nodiscard]] bool prepareSocket(int fd, bool nonBlocking);

// send() on a socket prepared with prepareSocket: a peer that is gone is EPIPE, never SIGPIPE.
ssize_t sendOnSocket(int fd, const char* data, std::size_t size, int flags);

// The process at the other end of the connected Unix socket `fd`, as the system tells it when the
// connection was made; 0 when it does not tell.
[[nodiscard]] pid_t peerProcess(int fd);

// A pipe whose two ends are close-on-exec, and non-blocking when asked. False, with errno set and
// `ends` left at -1, when none can be made.
[[nodiscard]] bool openPipe(std::array<int, 2>& ends, bool nonBlocking);

// Wakes a thread that sleeps in poll: the thread polls readEnd() for POLLIN, and drains it when it
// wakes up. A wake-up stays readable until drained, so one given between the thread's last look at
// its work and its poll is not lost; a full pipe is awake already.
class WakePipe {
 public:
  // When the system gives no pipe, valid() is false and wake() and drain() do nothing.
  WakePipe();
  ~WakePipe();
  WakePipe(const WakePipe&) = delete;
  WakePipe& operator=(const WakePipe&) = delete;
  WakePipe(WakePipe&&) = delete;
  WakePipe& operator=(WakePipe&&) = delete;

  [[nodiscard]] bool valid() const { return ends_[0] >= 0; }
  [[nodiscard]] int readEnd() const { return ends_[0]; }
  void wake() const;
  void drain() const;

 private:
  std::array<int, 2> ends_{-1, -1};
};

}  // namespace platform
