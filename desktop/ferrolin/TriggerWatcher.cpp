#include "TriggerWatcher.h"

#include <cstddef>
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
  std::expected<FileWatch, int> watch = FileWatch::start(folder, fileName);
  if (!watch) {
    return std::unexpected(
        platform::fileError(platform::FileOperation::read, folder, watch.error()));
  }
  // Not make_unique: the constructor is private.
  return std::unique_ptr<TriggerWatcher>(
      new TriggerWatcher(std::move(*watch), folder / fileName, std::move(onTrigger), loop, files));
}

TriggerWatcher::TriggerWatcher(FileWatch watch, std::filesystem::path file, Handler onTrigger,
                               platform::EventLoop& loop, const platform::FileManager& files)
    : watch_(std::move(watch)),
      file_(std::move(file)),
      onTrigger_(std::move(onTrigger)),
      loop_(&loop),
      files_(&files) {
  source_ = loop_->addReadSource(watch_.descriptor(), [this] { readNotifications(); });
}

TriggerWatcher::~TriggerWatcher() {
  loop_->removeSource(source_);
}

void TriggerWatcher::readNotifications() {
  if (watch_.takeNews()) {
    if (auto content = files_->contentsOfFile(file_)) {
      onTrigger_(trimmed(*content));
    }
  }
}

}  // namespace ferrolin
