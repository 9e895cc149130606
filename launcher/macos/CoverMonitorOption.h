#pragma once

#include <optional>
#include <string>
#include <vector>

#include "LocalizedStrings.h"
#include "platform/Geometry.h"
#include "platform/ScreensAndLanguages.h"

namespace launcher {

// One entry of the settings window's display pop-up: the value stored as the settings'
// coverMonitor when it is chosen, and the text shown for it. A plain value.
//
// The value has three forms: "primary" (whichever display is the main one), "geom:x:y:w:h" (the
// display with exactly those bounds in global display coordinates, each truncated toward zero) and
// "index:n" (the screen at zero-based position n of the screen list, for a screen that reports no
// display number).
struct CoverMonitorOption {
  std::string id;
  std::string label;

  friend bool operator==(const CoverMonitorOption&, const CoverMonitorOption&) = default;
};

// "geom:x:y:w:h" for display bounds; absent when a bound is not finite or does not fit a 64-bit
// whole number.
std::optional<std::string> geometryValue(const platform::Rect& bounds);

// "primary" labelled strings.primaryDisplay, then one entry per screen attached now, in the
// desktop's order, labelled "<name> (<displayPrefix> <position from 1>)". A screen without a
// display number, or whose bounds have no geometry value, gets the index form.
std::vector<CoverMonitorOption> coverMonitorOptions(const LocalizedStrings& strings,
                                                    platform::ScreensAndLanguages& desktop);

}  // namespace launcher
