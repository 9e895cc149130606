#include "TriggerWatcher.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <utility>

namespace ferrolin {
namespace {

std::string trimmed(const std::string& text) {
  constexpr const char* whiteSpace = " \t\r\n";
  const std::size_t first = text.find_first_not_of(whiteSpace);
  if (first == std::string::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(whiteSpace) - first + 1);
}

}  // namespace

platform::Result<std::unique_ptr<TriggerWatcher>> TriggerWatcher::watch(
    const std::filesystem::path& folder, const std::string& fileName, Handler onTrigger,
    platform::EventLoop& loop, const platform::FileManager& files) {
  const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) {
    return std::unexpected(platform::fileError(platform::FileOperation::read, folder, errno));
  }
  if (::inotify_add_watch(fd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_ONLYDIR) < 0) {
    const int error = errno;
    ::close(fd);
    return std::unexpected(platform::fileError(platform::FileOperation::read, folder, error));
  }
  // Not make_unique: the constructor is private.
  return std::unique_ptr<TriggerWatcher>(
      new TriggerWatcher(fd, folder / fileName, std::move(onTrigger), loop, files));
}

TriggerWatcher::TriggerWatcher(int fd, std::filesystem::path file, Handler onTrigger,
                               platform::EventLoop& loop, const platform::FileManager& files)
    : fd_(fd),
      file_(std::move(file)),
      onTrigger_(std::move(onTrigger)),
      loop_(&loop),
      files_(&files) {
  source_ = loop_->addReadSource(fd_, [this] { readNotifications(); });
}

TriggerWatcher::~TriggerWatcher() {
  loop_->removeSource(source_);
  ::close(fd_);
}

void TriggerWatcher::readNotifications() {
  const std::string name = file_.filename().string();
  bool named = false;
  alignas(inotify_event) std::array<char, 4096> buffer{};
  while (true) {
    const ssize_t length = ::read(fd_, buffer.data(), buffer.size());
    if (length <= 0) {
      break;  // drained (EAGAIN), or the watch is gone
    }
    for (std::size_t offset = 0;
         offset + sizeof(inotify_event) <= static_cast<std::size_t>(length);) {
      inotify_event event{};
      std::memcpy(&event, buffer.data() + offset, sizeof(event));
      const char* eventName = buffer.data() + offset + sizeof(inotify_event);
      if (event.len > 0 && name == std::string(eventName, ::strnlen(eventName, event.len))) {
        named = true;
      }
      offset += sizeof(inotify_event) + event.len;
    }
  }
  if (named) {
    if (auto content = files_->contentsOfFile(file_)) {
      onTrigger_(trimmed(*content));
    }
  }
}

}  // namespace ferrolin
