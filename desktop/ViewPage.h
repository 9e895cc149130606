#pragma once

#include <string>
#include <vector>

namespace desktop {

// desktopctl view's page: one HTML document with its script and style inline. It shows the screen
// at its size in points (smaller when the window is narrower), loads a new frame for each change
// the events stream reports, sends clicks on the picture and keys typed while it has focus, offers
// sticky modifier buttons and a button per bundle in `appNames` that opens it again, and keeps
// `window.viewTimings`: per click the time it was sent and the time the next frame finished
// loading.
std::string viewPage(const std::vector<std::string>& appNames);

}  // namespace desktop
