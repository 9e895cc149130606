#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Geometry.h"

namespace desktop {

// What the view's page asks for, read from its request bodies (JSON objects) and query values.
// Nothing when the input is not exactly what it must be.

// {"x": X, "y": Y}: a point in points from the top left of the main screen, both finite numbers.
std::optional<platform::Point> readClickPoint(std::string_view body);

// {"shortcut": "command+option+b"}: modifier and key words as desktopctl key takes them.
std::optional<std::string> readShortcut(std::string_view body);

// {"app": INDEX}: an index below `count`.
std::optional<std::size_t> readAppIndex(std::string_view body, std::size_t count);

// A backing scale as a decimal number, clamped to 1..3.
std::optional<double> readScale(std::string_view text);

}  // namespace desktop
