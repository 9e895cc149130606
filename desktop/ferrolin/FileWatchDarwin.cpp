#include <fcntl.h>
#include <sys/event.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <ctime>
#include <optional>
#include <utility>

#include "FileWatch.h"
#include "platform/Descriptors.h"

namespace ferrolin {

namespace {

// What tells one version of the file from the next.
struct Version {
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  friend bool operator==(const Version& a, const Version& b) {
    return a.inode == b.inode && a.size == b.size && a.modified.tv_sec == b.modified.tv_sec &&
           a.modified.tv_nsec == b.modified.tv_nsec;
  }
};

std::optional<Version> versionOf(int fd) {
  struct stat status {};
  if (fd < 0 || ::fstat(fd, &status) != 0) {
    return std::nullopt;
  }
  return Version{status.st_ino, status.st_size, status.st_mtimespec};
}

}  // namespace

// A kqueue watches the folder (an entry added, removed or renamed) and the file itself while it
// exists (written in place). The events name no entry, so after each batch the file is opened
// afresh and counts as changed when it is another file or another version than before.
struct FileWatch::State {
  int queue = -1;
  int folder = -1;
  int file = -1;
  std::filesystem::path path;
  std::optional<Version> seen;
  ~State() {
    for (const int fd : {file, folder, queue}) {
      if (fd >= 0) {
        ::close(fd);
      }
    }
  }
  State() = default;
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  State(State&&) = delete;
  State& operator=(State&&) = delete;

  bool add(int fd, unsigned int notes) const {
    struct kevent change {};
    EV_SET(&change, fd, EVFILT_VNODE, EV_ADD | EV_CLEAR, notes, 0, nullptr);
    return ::kevent(queue, &change, 1, nullptr, 0, nullptr) == 0;
  }

  // Watches the file now under the name, if any; closing the one before ends its watch.
  void reopenFile() {
    if (file >= 0) {
      ::close(file);
    }
    file = ::open(path.c_str(), O_EVTONLY | O_NOFOLLOW | O_CLOEXEC);
    if (file >= 0 && !add(file, NOTE_WRITE | NOTE_EXTEND | NOTE_DELETE | NOTE_RENAME)) {
      ::close(file);
      file = -1;
    }
  }
};

std::expected<FileWatch, int> FileWatch::start(const std::filesystem::path& folder,
                                               const std::string& name) {
  auto state = std::make_unique<State>();
  state->path = folder / name;
  state->queue = ::kqueue();
  if (state->queue < 0 || !platform::setDescriptorFlags(state->queue, true)) {
    return std::unexpected(errno);
  }
  state->folder = ::open(folder.c_str(), O_EVTONLY | O_DIRECTORY | O_CLOEXEC);
  if (state->folder < 0 || !state->add(state->folder, NOTE_WRITE)) {
    return std::unexpected(errno);
  }
  state->reopenFile();
  state->seen = versionOf(state->file);
  return FileWatch(std::move(state));
}

bool FileWatch::takeNews() {
  std::array<struct kevent, 16> events{};
  const timespec now{};
  bool any = false;
  while (::kevent(state_->queue, nullptr, 0, events.data(), static_cast<int>(events.size()), &now) >
         0) {
    any = true;
  }
  if (!any) {
    return false;
  }
  state_->reopenFile();
  const std::optional<Version> version = versionOf(state_->file);
  const bool changed = version && version != state_->seen;
  state_->seen = version;
  return changed;
}

int FileWatch::descriptor() const {
  return state_->queue;
}

FileWatch::FileWatch(std::unique_ptr<State> state) : state_(std::move(state)) {}
FileWatch::~FileWatch() = default;
FileWatch::FileWatch(FileWatch&& other) noexcept = default;
FileWatch& FileWatch::operator=(FileWatch&& other) noexcept = default;

}  // namespace ferrolin
