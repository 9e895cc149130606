#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Geometry.h"
#include "platform/ScreensAndLanguages.h"

namespace platform {

// An attached screen as the desktop described it when the list was read. Frames are in the
// desktop's global display coordinates.
class Screen {
 public:
  // The attached screens in the desktop's order; the first holds the menu bar.
  static std::vector<Screen> screens(ScreensAndLanguages& desktop);
  // The screen that holds the menu bar, if any screen is attached.
  static std::optional<Screen> main(ScreensAndLanguages& desktop);

  const std::string& localizedName() const { return description_.localizedName; }
  // The screen's display number from its device description, when it has one.
  std::optional<std::uint32_t> displayNumber() const { return description_.displayNumber; }
  Rect frame() const { return description_.frame; }
  double backingScaleFactor() const { return description_.backingScaleFactor; }

 private:
  explicit Screen(ScreenDescription description) : description_(std::move(description)) {}

  ScreenDescription description_;
};

// The bounds of the display with that number in global display coordinates, or a zero rectangle
// when no attached screen has that number.
Rect CGDisplayBounds(std::uint32_t displayID, ScreensAndLanguages& desktop);

}  // namespace platform
