#pragma once

#include <string>
#include <vector>

#include "platform/DesktopRecords.h"
#include "platform/InterfaceRecords.h"

namespace platform {

// The screen as text, as `desktopctl show` prints it: status items and their menus, windows with
// one line per view (kind, identifier, text or title, state, flags and frame; subviews indented),
// alerts and the notifications on screen.
std::string renderScreenText(const ScreenContents& screen,
                             const std::vector<NotificationRecord>& notifications);

}  // namespace platform
