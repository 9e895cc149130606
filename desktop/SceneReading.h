#pragma once

#include "picture/ScreenPicture.h"
#include "platform/DesktopChannel.h"
#include "platform/Error.h"

namespace desktop {

// What the daemon's screen shows, read with three requests: the screens, the screen's contents
// (with the notifications and the open menu) and the running applications (for the active one).
platform::Result<ScreenScene> readScene(platform::DesktopChannel& channel);

}  // namespace desktop
