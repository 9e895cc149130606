#include <fcntl.h>
#include <linux/fs.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <fstream>
#include <iterator>
#include <system_error>

#include "SystemFiles.h"

namespace platform::systemFiles {
// The mount ID of statx tells a bind mount from the folder it shows.
std::expected<Volume, int> volumeOf(int fd) {
  struct statx status {};
  if (::statx(fd, "", AT_EMPTY_PATH, STATX_MNT_ID, &status) != 0) {
    return std::unexpected(errno);
  }
  return Volume{makedev(status.stx_dev_major, status.stx_dev_minor),
                (status.stx_mask & STATX_MNT_ID) != 0 ? status.stx_mnt_id : 0};
}

std::expected<void, int> exchangeItems(int folderFd, const char* first, const char* second) {
  return succeededOrErrno(::renameat2(folderFd, first, folderFd, second, RENAME_EXCHANGE));
}

std::expected<void, int> renameWithoutReplacing(int folderFd, const char* from, const char* to) {
  return succeededOrErrno(::renameat2(folderFd, from, folderFd, to, RENAME_NOREPLACE));
}

std::expected<bool, int> copyInKernel(int input, int output) {
  if (::ioctl(output, FICLONE, input) == 0) {
    return true;
  }
  constexpr std::size_t chunk = std::size_t{1} << 30;
  for (;;) {
    const ssize_t count = ::copy_file_range(input, nullptr, output, nullptr, chunk, 0);
    if (count > 0) {
      continue;
    }
    if (count == 0) {
      return true;
    }
    if (errno == EINTR) {
      continue;
    }
    if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL) {
      return false;
    }
    return std::unexpected(errno);
  }
}

std::vector<std::string> commandLineArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string contents{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<std::string> arguments;
  std::string::size_type start = 0;
  while (start < contents.size()) {
    const auto end = contents.find('\0', start);
    if (end == std::string::npos) {
      arguments.push_back(contents.substr(start));
      break;
    }
    arguments.push_back(contents.substr(start, end - start));
    start = end + 1;
  }
  return arguments;
}

std::filesystem::path executablePath() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error);
}

// The kernel's link to the running image: started through it, a program runs that image even when
// its file is gone.
std::string executableToStartAgain() {
  return "/proc/self/exe";
}

// glibc closes them in the child, after the actions before this one.
void closeDescriptorsPastStandardError(posix_spawn_file_actions_t& actions,
                                       posix_spawnattr_t& /*attributes*/) {
  ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
}

bool keepSocketFromSignalling(int /*fd*/) {
  return true;
}

const int sendWithoutSignal = MSG_NOSIGNAL;

pid_t peerProcessOf(int fd) {
  ucred credentials{};
  socklen_t length = sizeof(credentials);
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) {
    return 0;
  }
  return credentials.pid;
}

}  // namespace platform::systemFiles
