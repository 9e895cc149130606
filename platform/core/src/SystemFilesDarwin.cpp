#include <copyfile.h>
#include <crt_externs.h>
#include <libproc.h>
#include <mach-o/dyld.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

#include "SystemFiles.h"

namespace platform::systemFiles {
// The system tells no mount apart from the file system's device.
std::expected<Volume, int> volumeOf(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    return std::unexpected(errno);
  }
  return Volume{status.st_dev, 0};
}

std::expected<void, int> exchangeItems(int folderFd, const char* first, const char* second) {
  return succeededOrErrno(::renameatx_np(folderFd, first, folderFd, second, RENAME_SWAP));
}

std::expected<void, int> renameWithoutReplacing(int folderFd, const char* from, const char* to) {
  return succeededOrErrno(::renameatx_np(folderFd, from, folderFd, to, RENAME_EXCL));
}

// fcopyfile copies the whole data (a clone where the volume can) whatever the descriptors'
// positions. When it cannot, both files are put back to their start, so that the caller's copy
// with read and write does all of it.
std::expected<bool, int> copyInKernel(int input, int output) {
  if (::fcopyfile(input, output, nullptr, COPYFILE_DATA) == 0) {
    return true;
  }
  if (::ftruncate(output, 0) != 0 || ::lseek(input, 0, SEEK_SET) != 0 ||
      ::lseek(output, 0, SEEK_SET) != 0) {
    return std::unexpected(errno);
  }
  return false;
}

std::vector<std::string> commandLineArguments() {
  const int count = *::_NSGetArgc();
  char** const values = *::_NSGetArgv();
  std::vector<std::string> arguments;
  for (int index = 0; index < count && values[index] != nullptr; ++index) {
    arguments.emplace_back(values[index]);
  }
  return arguments;
}

std::filesystem::path executablePath() {
  std::uint32_t size = 0;
  ::_NSGetExecutablePath(nullptr, &size);
  std::string path(size, '\0');
  if (::_NSGetExecutablePath(path.data(), &size) != 0) {
    return {};
  }
  path.resize(path.find('\0'));
  std::error_code error;
  std::filesystem::path resolved = std::filesystem::canonical(path, error);
  return error ? std::filesystem::path() : resolved;
}

// The path the kernel knows for the running image, which follows the file when it is renamed; the
// path it was started from when the kernel tells none.
std::string executableToStartAgain() {
  std::string path(PROC_PIDPATHINFO_MAXSIZE, '\0');
  const int length =
      ::proc_pidpath(::getpid(), path.data(), static_cast<std::uint32_t>(path.size()));
  if (length <= 0) {
    return executablePath().string();
  }
  path.resize(static_cast<std::size_t>(length));
  return path;
}

// Everything not placed by a file action is closed in the child, close-on-exec or not.
void closeDescriptorsPastStandardError(posix_spawn_file_actions_t& /*actions*/,
                                       posix_spawnattr_t& attributes) {
  short flags = 0;
  ::posix_spawnattr_getflags(&attributes, &flags);
  ::posix_spawnattr_setflags(&attributes, static_cast<short>(flags | POSIX_SPAWN_CLOEXEC_DEFAULT));
}

bool keepSocketFromSignalling(int fd) {
  const int on = 1;
  return ::setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on) == 0;
}

const int sendWithoutSignal = 0;

pid_t peerProcessOf(int fd) {
  pid_t pid = 0;
  socklen_t length = sizeof pid;
  if (::getsockopt(fd, SOL_LOCAL, LOCAL_PEERPID, &pid, &length) != 0) {
    return 0;
  }
  return pid;
}

}  // namespace platform::systemFiles
