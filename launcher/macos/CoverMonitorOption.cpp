#include "CoverMonitorOption.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "platform/Screen.h"

namespace launcher {

namespace {

// The bound cut toward zero, when it is finite and fits: 2^63 itself is one too many.
std::optional<std::int64_t> wholeNumber(double bound) {
  constexpr double limit = 9223372036854775808.0;
  const double truncated = std::trunc(bound);
  if (!std::isfinite(truncated) || truncated >= limit || truncated < -limit) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(truncated);
}

}  // namespace

std::optional<std::string> geometryValue(const platform::Rect& bounds) {
  std::string value = "geom";
  for (const double bound : {bounds.x, bounds.y, bounds.width, bounds.height}) {
    const std::optional<std::int64_t> number = wholeNumber(bound);
    if (!number) {
      return std::nullopt;
    }
    value += ":" + std::to_string(*number);
  }
  return value;
}

std::vector<CoverMonitorOption> coverMonitorOptions(const LocalizedStrings& strings,
                                                    platform::ScreensAndLanguages& desktop) {
  std::vector<CoverMonitorOption> options{{"primary", strings.primaryDisplay}};
  const std::vector<platform::Screen> screens = platform::Screen::screens(desktop);
  for (std::size_t position = 0; position < screens.size(); ++position) {
    const platform::Screen& screen = screens[position];
    std::optional<std::string> id;
    if (const std::optional<std::uint32_t> display = screen.displayNumber()) {
      id = geometryValue(platform::CGDisplayBounds(*display, desktop));
    }
    options.push_back({id.value_or("index:" + std::to_string(position)),
                       screen.localizedName() + " (" + strings.displayPrefix + " " +
                           std::to_string(position + 1) + ")"});
  }
  return options;
}

}  // namespace launcher
