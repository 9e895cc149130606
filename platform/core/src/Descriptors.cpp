#include "platform/Descriptors.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>

#include "SystemFiles.h"

namespace platform {

bool setDescriptorFlags(int fd, bool nonBlocking) {
  const int descriptorFlags = ::fcntl(fd, F_GETFD);
  if (descriptorFlags < 0 || ::fcntl(fd, F_SETFD, descriptorFlags | FD_CLOEXEC) != 0) {
    return false;
  }
  const int statusFlags = ::fcntl(fd, F_GETFL);
  return statusFlags >= 0 &&
         ::fcntl(fd, F_SETFL, nonBlocking ? statusFlags | O_NONBLOCK : statusFlags & ~O_NONBLOCK) ==
             0;
}

bool prepareSocket(int fd, bool nonBlocking) {
  return setDescriptorFlags(fd, nonBlocking) && systemFiles::keepSocketFromSignalling(fd);
}

ssize_t sendOnSocket(int fd, const char* data, std::size_t size, int flags) {
  return ::send(fd, data, size, flags | systemFiles::sendWithoutSignal);
}

pid_t peerProcess(int fd) {
  return systemFiles::peerProcessOf(fd);
}

bool openPipe(std::array<int, 2>& ends, bool nonBlocking) {
  std::array<int, 2> made{-1, -1};
  if (::pipe(made.data()) != 0) {
    ends = {-1, -1};
    return false;
  }
  if (!setDescriptorFlags(made[0], nonBlocking) || !setDescriptorFlags(made[1], nonBlocking)) {
    const int error = errno;
    ::close(made[0]);
    ::close(made[1]);
    errno = error;
    ends = {-1, -1};
    return false;
  }
  ends = made;
  return true;
}

WakePipe::WakePipe() {
  static_cast<void>(openPipe(ends_, true));
}

WakePipe::~WakePipe() {
  if (valid()) {
    ::close(ends_[0]);
    ::close(ends_[1]);
  }
}

void WakePipe::wake() const {
  if (!valid()) {
    return;
  }
  const char byte = 0;
  // EAGAIN: the pipe is full, so the sleeper wakes anyway.
  while (::write(ends_[1], &byte, 1) < 0 && errno == EINTR) {
  }
}

void WakePipe::drain() const {
  if (!valid()) {
    return;
  }
  std::array<char, 256> buffer{};
  for (;;) {
    const ssize_t count = ::read(ends_[0], buffer.data(), buffer.size());
    if (count < 0 && errno == EINTR) {
      continue;
    }
    if (count < static_cast<ssize_t>(buffer.size())) {
      return;
    }
  }
}

}  // namespace platform
