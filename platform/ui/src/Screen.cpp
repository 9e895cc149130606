#include "platform/Screen.h"

#include <algorithm>

namespace platform {

std::vector<Screen> Screen::screens(ScreensAndLanguages& desktop) {
  std::vector<Screen> attached;
  for (ScreenDescription& description : desktop.screens()) {
    attached.push_back(Screen(std::move(description)));
  }
  return attached;
}

std::optional<Screen> Screen::main(ScreensAndLanguages& desktop) {
  std::vector<ScreenDescription> attached = desktop.screens();
  if (attached.empty()) {
    return std::nullopt;
  }
  return Screen(std::move(attached.front()));
}

Rect CGDisplayBounds(std::uint32_t displayID, ScreensAndLanguages& desktop) {
  const std::vector<ScreenDescription> attached = desktop.screens();
  const auto found =
      std::ranges::find(attached, std::optional(displayID), &ScreenDescription::displayNumber);
  return found == attached.end() ? Rect{} : found->frame;
}

}  // namespace platform
