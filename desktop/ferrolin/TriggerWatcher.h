#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "FileWatch.h"
#include "platform/Error.h"
#include "platform/EventLoop.h"
#include "platform/FileManager.h"

namespace ferrolin {

// Watches one trigger file for new content and hands it, without surrounding white space, to a
// callback on the event loop. The folder is watched rather than the file, so a file that appears
// later or is replaced by a rename (as an atomic write does) is seen too. Writes that land in the
// same turn of the loop count once, with the content the file holds by then. Main thread only.
class TriggerWatcher {
 public:
  using Handler = std::function<void(const std::string& content)>;

  // Starts watching folder/fileName. An error when the folder cannot be watched.
  static platform::Result<std::unique_ptr<TriggerWatcher>> watch(
      const std::filesystem::path& folder, const std::string& fileName, Handler onTrigger,
      platform::EventLoop& loop, const platform::FileManager& files);

  ~TriggerWatcher();
  TriggerWatcher(const TriggerWatcher&) = delete;
  TriggerWatcher& operator=(const TriggerWatcher&) = delete;
  TriggerWatcher(TriggerWatcher&&) = delete;
  TriggerWatcher& operator=(TriggerWatcher&&) = delete;

 private:
  TriggerWatcher(FileWatch watch, std::filesystem::path file, Handler onTrigger,
                 platform::EventLoop& loop, const platform::FileManager& files);
  // Takes the pending news; calls the handler when some of it may concern the file.
  void readNotifications();

  FileWatch watch_;
  std::filesystem::path file_;
  Handler onTrigger_;
  platform::EventLoop* loop_;           // not owned
  const platform::FileManager* files_;  // not owned
  platform::EventLoop::SourceId source_{};
};

}  // namespace ferrolin
