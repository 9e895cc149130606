#include "ScreenWatch.h"

#include <poll.h>

#include <array>
#include <cerrno>
#include <utility>

#include <nlohmann/json.hpp>

namespace desktop {

platform::Result<ScreenWatch> ScreenWatch::start(const std::filesystem::path& socketPath) {
  auto channel = platform::DesktopChannel::connect(socketPath);
  if (!channel) {
    return std::unexpected(channel.error());
  }
  if (auto watching = channel->request(platform::control::Watch{}); !watching) {
    return std::unexpected(watching.error());
  }
  return ScreenWatch(std::move(*channel));
}

bool ScreenWatch::run(const platform::WakePipe& stop, const std::function<void()>& changed) {
  for (;;) {
    const bool open = channel_.readAvailable();
    for (const nlohmann::json& event : channel_.takeEvents()) {
      if (event.value("event", "") == "screenChanged") {
        changed();
      }
    }
    if (!open) {
      return true;
    }
    std::array<pollfd, 2> waiting{
        {{channel_.fileDescriptor(), POLLIN, 0}, {stop.readEnd(), POLLIN, 0}}};
    if (::poll(waiting.data(), waiting.size(), -1) < 0 && errno != EINTR) {
      return true;
    }
    if (waiting[1].revents != 0) {
      return false;
    }
  }
}

}  // namespace desktop
