#pragma once

#include <filesystem>
#include <functional>

#include "platform/Descriptors.h"
#include "platform/DesktopChannel.h"
#include "platform/Error.h"

namespace desktop {

// The daemon's word that the screen changed: a connection of its own that asks to watch and from
// then on only reads events, blocking on its socket.
class ScreenWatch {
 public:
  static platform::Result<ScreenWatch> start(const std::filesystem::path& socketPath);

  // Calls `changed` for each change the daemon reports, until the daemon ends the connection
  // (true) or `stop` is woken (false).
  bool run(const platform::WakePipe& stop, const std::function<void()>& changed);

 private:
  explicit ScreenWatch(platform::DesktopChannel channel) : channel_(std::move(channel)) {}
  platform::DesktopChannel channel_;
};

}  // namespace desktop
