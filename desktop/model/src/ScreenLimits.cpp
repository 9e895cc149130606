#include "model/ScreenLimits.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace platform {
namespace {

Error screenRefused(const std::string& sentence) {
  return {errorDomain::desktop, 1, sentence};
}

// A number as short as it reads back: 3e+09, 1440, 1.5.
std::string number(double value) {
  std::array<char, 32> text{};
  const auto end = std::to_chars(text.begin(), text.end(), value).ptr;
  return {text.begin(), end};
}

std::string pointsAndScale(double width, double height, double scale) {
  return number(width) + " by " + number(height) + " points at scale " + number(scale);
}

std::string drawnAtMost() {
  return "the desktop draws at most " + number(maximumScreenPixels) + " pixels on a side.";
}

}  // namespace

std::optional<Error> screensProblem(const std::vector<ScreenDescription>& screens) {
  double largestScale = 0;
  for (const ScreenDescription& screen : screens) {
    const Rect& frame = screen.frame;
    const std::string name = "The screen “" + screen.localizedName + "”";
    if (!std::isfinite(frame.x) || !std::isfinite(frame.y)) {
      return screenRefused(name + " needs a position of finite numbers.");
    }
    const double scale = screen.backingScaleFactor;
    if (!(frame.width > 0) || !(frame.height > 0) || !(scale > 0) || !std::isfinite(scale)) {
      return screenRefused(name + " needs a width, a height and a scale above 0.");
    }
    if (!(frame.width * scale <= maximumScreenPixels) ||
        !(frame.height * scale <= maximumScreenPixels)) {
      return screenRefused(name + " is " + pointsAndScale(frame.width, frame.height, scale) + ": " +
                           drawnAtMost());
    }
    largestScale = std::max(largestScale, scale);
  }
  if (screens.empty()) {
    return std::nullopt;
  }
  Rect spanned = screens.front().frame;
  for (const ScreenDescription& screen : screens) {
    const double minX = std::min(spanned.x, screen.frame.x);
    const double minY = std::min(spanned.y, screen.frame.y);
    spanned = Rect{minX, minY, std::max(spanned.maxX(), screen.frame.maxX()) - minX,
                   std::max(spanned.maxY(), screen.frame.maxY()) - minY};
  }
  if (!(spanned.width * largestScale <= maximumScreenPixels) ||
      !(spanned.height * largestScale <= maximumScreenPixels)) {
    return screenRefused("The screens together span " +
                         pointsAndScale(spanned.width, spanned.height, largestScale) + ": " +
                         drawnAtMost());
  }
  return std::nullopt;
}

}  // namespace platform
