#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <utility>

#include "FileWatch.h"

namespace ferrolin {

// The folder is watched rather than the file: a write closes the file, an atomic write moves a
// new file onto its name, and each event names the entry it happened to.
struct FileWatch::State {
  int inotify = -1;
  std::string name;
  ~State() { ::close(inotify); }
  State(int fd, std::string fileName) : inotify(fd), name(std::move(fileName)) {}
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  State(State&&) = delete;
  State& operator=(State&&) = delete;
};

std::expected<FileWatch, int> FileWatch::start(const std::filesystem::path& folder,
                                               const std::string& name) {
  const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) {
    return std::unexpected(errno);
  }
  auto state = std::make_unique<State>(fd, name);
  if (::inotify_add_watch(fd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_ONLYDIR) < 0) {
    return std::unexpected(errno);
  }
  return FileWatch(std::move(state));
}

bool FileWatch::takeNews() {
  bool named = false;
  alignas(inotify_event) std::array<char, 4096> buffer{};
  while (true) {
    const ssize_t length = ::read(state_->inotify, buffer.data(), buffer.size());
    if (length <= 0) {
      break;  // drained (EAGAIN), or the watch is gone
    }
    for (std::size_t offset = 0;
         offset + sizeof(inotify_event) <= static_cast<std::size_t>(length);) {
      inotify_event event{};
      std::memcpy(&event, buffer.data() + offset, sizeof(event));
      const char* eventName = buffer.data() + offset + sizeof(inotify_event);
      if (event.len > 0 &&
          state_->name == std::string(eventName, ::strnlen(eventName, event.len))) {
        named = true;
      }
      offset += sizeof(inotify_event) + event.len;
    }
  }
  return named;
}

int FileWatch::descriptor() const {
  return state_->inotify;
}

FileWatch::FileWatch(std::unique_ptr<State> state) : state_(std::move(state)) {}
FileWatch::~FileWatch() = default;
FileWatch::FileWatch(FileWatch&& other) noexcept = default;
FileWatch& FileWatch::operator=(FileWatch&& other) noexcept = default;

}  // namespace ferrolin
