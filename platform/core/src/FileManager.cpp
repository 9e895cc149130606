#include "platform/FileManager.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

namespace platform {
namespace {

namespace fs = std::filesystem;

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&&) = delete;
  FileDescriptor& operator=(FileDescriptor&&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Hands the descriptor over to someone who closes it.
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

struct DirectoryCloser {
  void operator()(DIR* directory) const { ::closedir(directory); }
};
using DirectoryHandle = std::unique_ptr<DIR, DirectoryCloser>;

bool isDotOrDotDot(const char* name) {
  const std::string_view view(name);
  return view == "." || view == "..";
}

Result<void> writeAll(int fd, std::string_view data, const fs::path& reportedPath) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return std::unexpected(fileError(FileOperation::write, reportedPath, errno));
    }
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

// Removes `name` inside the folder open as `parentFd` (whose path is `parent`, for messages),
// recursing into folders through descriptors so that a symbolic link swapped in along the way is
// removed, never followed. `type` is what the folder's listing said the entry is (DT_UNKNOWN when
// it did not say): anything but a folder is unlinked without a look at it first.
Result<void> removeAt(int parentFd, const char* name, unsigned char type, const fs::path& parent) {
  const auto failure = [&](int error) -> Result<void> {
    return std::unexpected(fileError(FileOperation::remove, parent / name, error));
  };
  if (type == DT_UNKNOWN) {
    struct stat status {};
    if (::fstatat(parentFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
      return failure(errno);
    }
    type = S_ISDIR(status.st_mode) ? DT_DIR : DT_REG;
  }
  if (type != DT_DIR) {
    return ::unlinkat(parentFd, name, 0) == 0 ? Result<void>() : failure(errno);
  }
  FileDescriptor folder(::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!folder.valid()) {
    // Swapped for a link (or a file) since it was listed: that is removed itself.
    if (errno == ELOOP || errno == ENOTDIR) {
      return ::unlinkat(parentFd, name, 0) == 0 ? Result<void>() : failure(errno);
    }
    return failure(errno);
  }
  const int listingFd = ::dup(folder.get());
  if (listingFd < 0) {
    return failure(errno);
  }
  DirectoryHandle listing(::fdopendir(listingFd));
  if (!listing) {
    const int error = errno;
    ::close(listingFd);
    return failure(error);
  }
  const fs::path path = parent / name;
  // Entries are removed while the folder is being read; rewind after each pass until it is empty,
  // since readdir may skip entries of a folder that changes under it.
  bool removedAny = true;
  while (removedAny) {
    removedAny = false;
    ::rewinddir(listing.get());
    errno = 0;
    while (const dirent* entry = ::readdir(listing.get())) {
      if (isDotOrDotDot(entry->d_name)) {
        continue;
      }
      if (auto removed = removeAt(folder.get(), entry->d_name, entry->d_type, path); !removed) {
        return removed;
      }
      removedAny = true;
      errno = 0;
    }
    if (errno != 0) {
      return failure(errno);
    }
  }
  return ::unlinkat(parentFd, name, AT_REMOVEDIR) == 0 ? Result<void>() : failure(errno);
}

Result<void> copyFile(const fs::path& source, const fs::path& destination, mode_t mode) {
  FileDescriptor input(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!input.valid()) {
    return std::unexpected(fileError(FileOperation::copy, source, errno));
  }
  FileDescriptor output(
      ::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!output.valid()) {
    return std::unexpected(fileError(FileOperation::copy, source, errno));
  }
  std::string buffer(static_cast<std::size_t>(64 * 1024), '\0');
  for (;;) {
    const ssize_t count = ::read(input.get(), buffer.data(), buffer.size());
    if (count < 0) {
      if (errno == EINTR) {
        continue;
      }
      return std::unexpected(fileError(FileOperation::copy, source, errno));
    }
    if (count == 0) {
      break;
    }
    if (auto written =
            writeAll(output.get(), {buffer.data(), static_cast<std::size_t>(count)}, destination);
        !written) {
      return std::unexpected(fileError(FileOperation::copy, source, written.error().code));
    }
  }
  if (::fchmod(output.get(), mode & 07777) != 0) {
    return std::unexpected(fileError(FileOperation::copy, source, errno));
  }
  return {};
}

Result<void> copyTree(const fs::path& source, const fs::path& destination) {
  struct stat status {};
  if (::lstat(source.c_str(), &status) != 0) {
    return std::unexpected(fileError(FileOperation::copy, source, errno));
  }
  if (S_ISLNK(status.st_mode)) {
    std::string target(static_cast<std::size_t>(status.st_size) + 1, '\0');
    const ssize_t length = ::readlink(source.c_str(), target.data(), target.size());
    if (length < 0) {
      return std::unexpected(fileError(FileOperation::copy, source, errno));
    }
    target.resize(static_cast<std::size_t>(length));
    if (::symlink(target.c_str(), destination.c_str()) != 0) {
      return std::unexpected(fileError(FileOperation::copy, source, errno));
    }
    return {};
  }
  if (S_ISREG(status.st_mode)) {
    return copyFile(source, destination, status.st_mode);
  }
  if (!S_ISDIR(status.st_mode)) {
    return std::unexpected(fileError(FileOperation::copy, source, ENOTSUP));
  }
  // The folder is made writable for the copy and gets its own mode once its content is in place,
  // so that read-only folders copy too.
  if (::mkdir(destination.c_str(), 0700) != 0) {
    return std::unexpected(fileError(FileOperation::copy, source, errno));
  }
  DirectoryHandle listing(::opendir(source.c_str()));
  if (!listing) {
    return std::unexpected(fileError(FileOperation::copy, source, errno));
  }
  errno = 0;
  while (const dirent* entry = ::readdir(listing.get())) {
    if (isDotOrDotDot(entry->d_name)) {
      continue;
    }
    if (auto copied = copyTree(source / entry->d_name, destination / entry->d_name); !copied) {
      return copied;
    }
    errno = 0;
  }
  if (errno != 0) {
    return std::unexpected(fileError(FileOperation::copy, source, errno));
  }
  if (::chmod(destination.c_str(), status.st_mode & 07777) != 0) {
    return std::unexpected(fileError(FileOperation::copy, source, errno));
  }
  return {};
}

fs::path homeFromEnvironment() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return home;
  }
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return "/";
}

fs::path temporaryFromEnvironment(const fs::path& home) {
  if (const char* tmpdir = std::getenv("TMPDIR"); tmpdir != nullptr && *tmpdir == '/') {
    return fs::path(tmpdir).lexically_normal();
  }
  if (auto shared = FileManager::privateTemporaryDirectory("/tmp", ::getuid())) {
    return *shared;
  }
  // Someone else holds the name in /tmp: keep the files inside the home folder instead.
  const fs::path caches = home / ".cache";
  ::mkdir(caches.c_str(), 0700);
  if (auto inHome = FileManager::privateTemporaryDirectory(caches, ::getuid())) {
    return *inHome;
  }
  return home;
}

}  // namespace

FileManager& FileManager::defaultManager() {
  static FileManager manager = [] {
    fs::path home = homeFromEnvironment();
    fs::path temporary = temporaryFromEnvironment(home);
    return FileManager(std::move(home), std::move(temporary));
  }();
  return manager;
}

FileManager::FileManager(fs::path homeDirectory, fs::path temporaryDirectory)
    : homeDirectory_(std::move(homeDirectory)),
      temporaryDirectory_(std::move(temporaryDirectory)) {}

bool FileManager::fileExists(const fs::path& path) const {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0;
}

bool FileManager::itemExists(const fs::path& path) const {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

Result<void> FileManager::createDirectory(const fs::path& path) const {
  fs::path partial;
  for (const fs::path& component : path.lexically_normal()) {
    partial /= component;
    if (component.empty() || component == "/") {
      continue;
    }
    if (::mkdir(partial.c_str(), 0755) == 0) {
      continue;
    }
    const int error = errno;
    struct stat status {};
    if (error == EEXIST && ::stat(partial.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
      continue;
    }
    return std::unexpected(fileError(FileOperation::create, partial, error));
  }
  return {};
}

Result<void> FileManager::copyItem(const fs::path& source, const fs::path& destination) const {
  if (itemExists(destination)) {
    return std::unexpected(fileError(FileOperation::copy, source, EEXIST));
  }
  return copyTree(source, destination);
}

Result<void> FileManager::removeItem(const fs::path& path) const {
  const fs::path normal = path.lexically_normal();
  fs::path parent = normal.parent_path();
  const fs::path name = normal.filename();
  if (name.empty() || name == "." || name == "..") {
    return std::unexpected(fileError(FileOperation::remove, path, EINVAL));
  }
  if (parent.empty()) {
    parent = ".";
  }
  FileDescriptor parentFolder(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!parentFolder.valid()) {
    return std::unexpected(fileError(FileOperation::remove, path, errno));
  }
  return removeAt(parentFolder.get(), name.c_str(), DT_UNKNOWN, parent);
}

Result<std::string> FileManager::contentsOfFile(const fs::path& path) const {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid()) {
    return std::unexpected(fileError(FileOperation::read, path, errno));
  }
  std::string contents;
  std::string buffer(static_cast<std::size_t>(64 * 1024), '\0');
  for (;;) {
    const ssize_t count = ::read(file.get(), buffer.data(), buffer.size());
    if (count < 0) {
      if (errno == EINTR) {
        continue;
      }
      return std::unexpected(fileError(FileOperation::read, path, errno));
    }
    if (count == 0) {
      return contents;
    }
    contents.append(buffer.data(), static_cast<std::size_t>(count));
  }
}

Result<void> FileManager::writeAtomically(const fs::path& path, std::string_view data) const {
  const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  std::string temporaryName = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  FileDescriptor temporary(::mkstemp(temporaryName.data()));
  if (!temporary.valid()) {
    return std::unexpected(fileError(FileOperation::write, path, errno));
  }
  auto fail = [&](int error) -> Result<void> {
    ::unlink(temporaryName.c_str());
    return std::unexpected(fileError(FileOperation::write, path, error));
  };
  // A replaced file keeps its permissions; a new one is readable by all, writable by the user.
  struct stat existing {};
  const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
  if (auto written = writeAll(temporary.get(), data, path); !written) {
    return fail(written.error().code);
  }
  if (::fchmod(temporary.get(), mode) != 0 || ::fsync(temporary.get()) != 0) {
    return fail(errno);
  }
  if (::close(temporary.release()) != 0) {
    return fail(errno);
  }
  if (::rename(temporaryName.c_str(), path.c_str()) != 0) {
    return fail(errno);
  }
  // Make the rename itself durable.
  if (FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      folderFd.valid()) {
    ::fsync(folderFd.get());
  }
  return {};
}

Result<fs::path> FileManager::privateTemporaryDirectory(const fs::path& parent, uid_t userId) {
  fs::path folder = parent / ("ferrolin-" + std::to_string(userId));
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    return std::unexpected(fileError(FileOperation::create, folder, errno));
  }
  struct stat status {};
  if (::lstat(folder.c_str(), &status) != 0) {
    return std::unexpected(fileError(FileOperation::create, folder, errno));
  }
  const bool usable = S_ISDIR(status.st_mode) && status.st_uid == userId &&
                      (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
  if (!usable) {
    return std::unexpected(fileError(FileOperation::create, folder, EEXIST));
  }
  return folder;
}

}  // namespace platform
