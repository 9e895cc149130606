#include "platform/FileManager.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <expected>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "SystemFiles.h"

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
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
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

// Opens a folder for listing its entries from the first; the listing has a descriptor of its own
// (which shares its position with the folder's, so an earlier listing of the folder may have left
// it at the end).
DirectoryHandle listFolder(int folderFd) {
  const int listingFd = ::dup(folderFd);
  if (listingFd < 0) {
    return nullptr;
  }
  DirectoryHandle listing(::fdopendir(listingFd));
  if (!listing) {
    const int error = errno;
    ::close(listingFd);
    errno = error;
    return nullptr;
  }
  ::rewinddir(listing.get());
  return listing;
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

using systemFiles::Volume;
using systemFiles::volumeOf;

// The name an item of a tree is shown by in messages: its path from the tree's top item.
std::string shownInside(const std::string& folder, const char* name) {
  return folder + "/" + name;
}

std::string shownName(const fs::path& path) {
  return path.filename().empty() ? path.string() : path.filename().string();
}

// Removes `name` inside the folder open as `parentFd`, recursing into folders through descriptors
// so that a symbolic link swapped in along the way is removed, never followed, and never entering a
// folder of another volume than `volume` (a mount point inside the tree stops the removal with
// EXDEV, and nothing behind it is touched). An item already gone when the removal reaches it
// (another remover was quicker) counts as removed. `type` is what the folder's listing said the
// entry is (DT_UNKNOWN when it did not say): anything but a folder is unlinked without a look at it
// first. `shown` names the item in messages.
Result<void> removeAt(int parentFd, const char* name, unsigned char type, const std::string& shown,
                      const Volume& volume) {
  const auto failure = [&](int error) -> Result<void> {
    if (error == ENOENT) {
      return {};
    }
    return std::unexpected(fileErrorNamed(FileOperation::remove, shown, error));
  };
  const auto unlink = [&](int flags) {
    return ::unlinkat(parentFd, name, flags) == 0 ? Result<void>() : failure(errno);
  };
  if (type == DT_UNKNOWN) {
    struct stat status {};
    if (::fstatat(parentFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
      return failure(errno);
    }
    type = S_ISDIR(status.st_mode) ? DT_DIR : DT_REG;
  }
  if (type != DT_DIR) {
    return unlink(0);
  }
  FileDescriptor folder(::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!folder.valid()) {
    // Swapped for a link (or a file) since it was listed: that is removed itself.
    if (errno == ELOOP || errno == ENOTDIR) {
      return unlink(0);
    }
    return failure(errno);
  }
  const auto where = volumeOf(folder.get());
  if (!where) {
    return failure(where.error());
  }
  if (*where != volume) {
    return failure(EXDEV);
  }
  const DirectoryHandle listing = listFolder(folder.get());
  if (!listing) {
    return failure(errno);
  }
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
      if (auto removed = removeAt(folder.get(), entry->d_name, entry->d_type,
                                  shownInside(shown, entry->d_name), volume);
          !removed) {
        return removed;
      }
      removedAny = true;
      errno = 0;
    }
    if (errno != 0) {
      return failure(errno);
    }
  }
  return unlink(AT_REMOVEDIR);
}

// Removes `name` inside the folder open as `folderFd`, on that folder's volume only.
Result<void> removeInFolder(int folderFd, const char* name, const std::string& shown) {
  const auto volume = volumeOf(folderFd);
  if (!volume) {
    return std::unexpected(fileErrorNamed(FileOperation::remove, shown, volume.error()));
  }
  return removeAt(folderFd, name, DT_UNKNOWN, shown, *volume);
}

// Copies the whole data of `input` to the empty file `output` inside the kernel where the system
// can, and with read and write where it cannot. Returns 0 or the errno value.
int copyData(int input, int output) {
  const std::expected<bool, int> inKernel = systemFiles::copyInKernel(input, output);
  if (!inKernel) {
    return inKernel.error();
  }
  if (*inKernel) {
    return 0;
  }
  // Both descriptors stand where the copy in the kernel left them.
  std::string buffer(static_cast<std::size_t>(128 * 1024), '\0');
  for (;;) {
    const ssize_t count = ::read(input, buffer.data(), buffer.size());
    if (count < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    if (count == 0) {
      return 0;
    }
    if (auto written = writeAll(output, {buffer.data(), static_cast<std::size_t>(count)}, {});
        !written) {
      return written.error().code;
    }
  }
}

// Copies the item `sourceName` of the folder open as `sourceFolder` to the new item
// `destinationName` of the folder open as `destinationFolder` (AT_FDCWD and whole paths for the
// item a caller names). Links inside the tree are copied as links and never followed: every item is
// looked at and opened through its folder's descriptor without following a final link. The copy
// never enters a folder of another volume than the tree's top item (`volume`, none for the top item
// itself): such a folder fails the copy with EXDEV. `shown` names the item in messages.
Result<void> copyAt(int sourceFolder, const char* sourceName, int destinationFolder,
                    const char* destinationName, const std::string& shown,
                    std::optional<Volume> volume) {
  const auto failure = [&](int error) -> Result<void> {
    return std::unexpected(fileErrorNamed(FileOperation::copy, shown, error));
  };
  struct stat status {};
  if (::fstatat(sourceFolder, sourceName, &status, AT_SYMLINK_NOFOLLOW) != 0) {
    return failure(errno);
  }
  if (S_ISLNK(status.st_mode)) {
    std::string target(PATH_MAX, '\0');
    const ssize_t length = ::readlinkat(sourceFolder, sourceName, target.data(), target.size());
    if (length < 0) {
      return failure(errno);
    }
    target.resize(static_cast<std::size_t>(length));
    return ::symlinkat(target.c_str(), destinationFolder, destinationName) == 0 ? Result<void>()
                                                                                : failure(errno);
  }
  if (S_ISREG(status.st_mode)) {
    // Not blocking: an item swapped for a pipe since the look is refused below, not waited on.
    const FileDescriptor input(
        ::openat(sourceFolder, sourceName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!input.valid()) {
      return failure(errno);
    }
    if (::fstat(input.get(), &status) != 0) {
      return failure(errno);
    }
    if (!S_ISREG(status.st_mode)) {
      return failure(ENOTSUP);
    }
    const FileDescriptor output(::openat(destinationFolder, destinationName,
                                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                         0600));
    if (!output.valid()) {
      return failure(errno);
    }
    if (const int error = copyData(input.get(), output.get()); error != 0) {
      return failure(error);
    }
    return ::fchmod(output.get(), status.st_mode & 07777) == 0 ? Result<void>() : failure(errno);
  }
  if (!S_ISDIR(status.st_mode)) {
    return failure(ENOTSUP);
  }
  const FileDescriptor input(
      ::openat(sourceFolder, sourceName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!input.valid()) {
    return failure(errno);
  }
  const auto where = volumeOf(input.get());
  if (!where) {
    return failure(where.error());
  }
  if (volume && *volume != *where) {
    return failure(EXDEV);
  }
  // The folder is made writable for the copy and gets its own mode once its content is in place,
  // so that read-only folders copy too.
  if (::mkdirat(destinationFolder, destinationName, 0700) != 0) {
    return failure(errno);
  }
  const FileDescriptor output(::openat(destinationFolder, destinationName,
                                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!output.valid()) {
    return failure(errno);
  }
  const DirectoryHandle listing = listFolder(input.get());
  if (!listing) {
    return failure(errno);
  }
  errno = 0;
  while (const dirent* entry = ::readdir(listing.get())) {
    if (isDotOrDotDot(entry->d_name)) {
      continue;
    }
    if (auto copied = copyAt(input.get(), entry->d_name, output.get(), entry->d_name,
                             shownInside(shown, entry->d_name), *where);
        !copied) {
      return copied;
    }
    errno = 0;
  }
  if (errno != 0) {
    return failure(errno);
  }
  return ::fchmod(output.get(), status.st_mode & 07777) == 0 ? Result<void>() : failure(errno);
}

// An item's folder, open, and the item's name in it.
struct ItemInFolder {
  std::string name;
  FileDescriptor folderFd;
};

// Opens the folder that holds `path`; a path that names no item (".", "..", "/") is refused with
// EINVAL. Errors name `path` and say what `operation` it was for.
Result<ItemInFolder> openFolderOf(const fs::path& path, FileOperation operation) {
  fs::path normal = path.lexically_normal();
  if (normal.filename().empty() && normal.has_relative_path()) {
    normal = normal.parent_path();
  }
  const fs::path name = normal.filename();
  if (name.empty() || name == "." || name == "..") {
    return std::unexpected(fileError(operation, path, EINVAL));
  }
  const fs::path folder = normal.parent_path().empty() ? fs::path(".") : normal.parent_path();
  FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folderFd.valid()) {
    return std::unexpected(fileError(operation, path, errno));
  }
  return ItemInFolder{name.string(), std::move(folderFd)};
}

// Whether `name` is "<prefix><pid>-<hex digits>" for a pid of a process that no longer runs.
bool isStaleLeftover(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) {
    return false;
  }
  const std::string_view rest = name.substr(prefix.size());
  pid_t pid = 0;
  const auto [end, parsed] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
  if (parsed != std::errc() || pid <= 0 || end == rest.data() + rest.size() || *end != '-') {
    return false;
  }
  const std::string_view random = rest.substr(static_cast<std::size_t>(end - rest.data()) + 1);
  return !random.empty() && random.find_first_not_of("0123456789abcdef") == std::string::npos &&
         ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Removes what earlier operations on the same item left behind when they were killed half way:
// the entries named "<prefix><pid>-<random>" whose process is gone. Whole trees are removed when
// `trees` is set (on the folder's volume only); otherwise only files, and a folder of such a name
// is left alone.
void removeStaleLeftovers(int folderFd, const std::string& prefix, bool trees) {
  const DirectoryHandle listing = listFolder(folderFd);
  if (!listing) {
    return;
  }
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(listing.get())) {
    if (isStaleLeftover(entry->d_name, prefix)) {
      stale.emplace_back(entry->d_name);
    }
  }
  for (const std::string& name : stale) {
    // One that cannot be removed now is left for a later operation.
    if (trees) {
      [[maybe_unused]] const auto removed = removeInFolder(folderFd, name.c_str(), name);
    } else {
      ::unlinkat(folderFd, name.c_str(), 0);
    }
  }
}

// The prefixes of the hidden items that replaceItem and writeAtomically make beside `name`.
std::string stagingPrefix(const std::string& name) {
  return "." + name + ".staging-";
}
std::string temporaryPrefix(const std::string& name) {
  return "." + name + ".tmp-";
}

// Puts the staged item in the place of `name`: exchanged with the item there in one step, or
// renamed into place when there is none. Returns whether an old item now stands under the staged
// name, or the errno value.
std::expected<bool, int> moveIntoPlace(int folderFd, const char* staged, const char* name) {
  // An item that appears (or goes) between the two attempts is met by the other one next time.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto exchanged = systemFiles::exchangeItems(folderFd, staged, name);
    if (exchanged) {
      return true;
    }
    if (exchanged.error() != ENOENT) {
      return std::unexpected(exchanged.error());
    }
    const auto renamed = systemFiles::renameWithoutReplacing(folderFd, staged, name);
    if (renamed) {
      return false;
    }
    if (renamed.error() != EEXIST) {
      return std::unexpected(renamed.error());
    }
  }
  return std::unexpected(EEXIST);
}

std::string randomHex() {
  std::random_device device;
  const std::uint64_t value = (std::uint64_t{device()} << 32U) | device();
  std::array<char, 16> digits{};
  const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value, 16);
  return {digits.data(), end};
}

// A new name for an item this process stages under `prefix`: "<prefix><pid>-<random hex>", which
// removeStaleLeftovers recognises once the process is gone.
std::string stagingName(const std::string& prefix) {
  return prefix + std::to_string(::getpid()) + "-" + randomHex();
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

Result<std::string> readRegularFile(const fs::path& path, std::size_t limit) {
  const auto failure = [&](int error) -> Result<std::string> {
    return std::unexpected(fileError(FileOperation::read, path, error));
  };
  // Not blocking: a FIFO opens at once, without a writer, and is refused below.
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!file.valid()) {
    return failure(errno);
  }
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) {
    return failure(errno);
  }
  if (!S_ISREG(status.st_mode)) {
    return failure(S_ISDIR(status.st_mode) ? EISDIR : ENOTSUP);
  }
  // One byte past the limit tells a file of exactly `limit` bytes from a longer one, also when the
  // file grows while it is read.
  std::string contents(
      std::min(static_cast<std::size_t>(std::max<off_t>(status.st_size, 0)), limit) + 1, '\0');
  std::size_t length = 0;
  for (;;) {
    if (length == contents.size()) {
      if (length > limit) {
        return failure(EFBIG);
      }
      contents.resize(std::min(contents.size() * 2, limit + 1));
    }
    const ssize_t count = ::read(file.get(), contents.data() + length, contents.size() - length);
    if (count < 0) {
      if (errno == EINTR) {
        continue;
      }
      return failure(errno);
    }
    if (count == 0) {
      contents.resize(length);
      return contents;
    }
    length += static_cast<std::size_t>(count);
  }
}

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
  return copyAt(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), shownName(source),
                std::nullopt);
}

Result<void> FileManager::replaceItem(const fs::path& source, const fs::path& destination) const {
  const auto place = openFolderOf(destination, FileOperation::replace);
  if (!place) {
    return std::unexpected(place.error());
  }
  const auto& [name, folderFd] = *place;
  const std::string prefix = stagingPrefix(name);
  removeStaleLeftovers(folderFd.get(), prefix, true);
  const std::string staged = stagingName(prefix);
  const auto fail = [&](Error error) -> Result<void> {
    // Not there when the copy failed at its start; the first error is the one to report.
    [[maybe_unused]] const auto removed = removeInFolder(folderFd.get(), staged.c_str(), staged);
    return std::unexpected(std::move(error));
  };
  if (auto copied = copyAt(AT_FDCWD, source.c_str(), folderFd.get(), staged.c_str(),
                           shownName(source), std::nullopt);
      !copied) {
    return fail(copied.error());
  }
  const auto exchanged = moveIntoPlace(folderFd.get(), staged.c_str(), name.c_str());
  if (!exchanged) {
    return fail(fileError(FileOperation::replace, destination, exchanged.error()));
  }
  if (*exchanged) {
    // The new item is in place: an old one that cannot go (a file it may not delete, a mount
    // inside it) stays under its hidden name for a later sweep.
    [[maybe_unused]] const auto removed = removeInFolder(folderFd.get(), staged.c_str(), name);
  }
  return {};
}

Result<void> FileManager::removeItem(const fs::path& path) const {
  const auto place = openFolderOf(path, FileOperation::remove);
  if (!place) {
    return place.error().code == ENOENT ? Result<void>() : std::unexpected(place.error());
  }
  const auto& [name, folderFd] = *place;
  return removeInFolder(folderFd.get(), name.c_str(), name);
}

void FileManager::removeLeftovers(const fs::path& path) const {
  const auto place = openFolderOf(path, FileOperation::remove);
  if (!place) {
    return;
  }
  const auto& [name, folderFd] = *place;
  removeStaleLeftovers(folderFd.get(), stagingPrefix(name), true);
  removeStaleLeftovers(folderFd.get(), temporaryPrefix(name), false);
}

Result<std::string> FileManager::contentsOfFile(const fs::path& path) const {
  return readRegularFile(path);
}

Result<void> FileManager::writeAtomically(const fs::path& path, std::string_view data,
                                          Durability durability) const {
  const bool flush = durability == Durability::flushedToDisk;
  const auto place = openFolderOf(path, FileOperation::write);
  if (!place) {
    return std::unexpected(place.error());
  }
  const auto& [name, folderFd] = *place;
  // The temporary file's name says whose it is, so that a later write can tell the leftovers of a
  // killed writer from the file of one still at work.
  const std::string prefix = temporaryPrefix(name);
  removeStaleLeftovers(folderFd.get(), prefix, false);
  std::string temporaryName;
  int opened = -1;
  for (int attempt = 0; attempt < 8 && opened < 0; ++attempt) {
    temporaryName = stagingName(prefix);
    opened = ::openat(folderFd.get(), temporaryName.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (opened < 0 && errno != EEXIST) {
      break;
    }
  }
  FileDescriptor temporary(opened);
  if (!temporary.valid()) {
    return std::unexpected(fileError(FileOperation::write, path, errno));
  }
  auto fail = [&](int error) -> Result<void> {
    ::unlinkat(folderFd.get(), temporaryName.c_str(), 0);
    return std::unexpected(fileError(FileOperation::write, path, error));
  };
  // A replaced regular file keeps its permissions. Anything else (nothing, a link, a device) gives
  // way to a new file, readable by all and writable by the user: a mode is never read through a
  // link, so a link to /dev/null does not make the file writable by everyone.
  struct stat existing {};
  const mode_t mode =
      ::fstatat(folderFd.get(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
              S_ISREG(existing.st_mode)
          ? (existing.st_mode & 07777)
          : 0644;
  if (auto written = writeAll(temporary.get(), data, path); !written) {
    return fail(written.error().code);
  }
  if (::fchmod(temporary.get(), mode) != 0 || (flush && ::fsync(temporary.get()) != 0)) {
    return fail(errno);
  }
  if (::close(temporary.release()) != 0) {
    return fail(errno);
  }
  if (::renameat(folderFd.get(), temporaryName.c_str(), folderFd.get(), name.c_str()) != 0) {
    return fail(errno);
  }
  if (!flush) {
    return {};
  }
  // Make the rename itself durable.
  ::fsync(folderFd.get());
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
