#pragma once

#include <memory>

#include "platform/ApplicationServices.h"
#include "platform/HotKeyServices.h"
#include "platform/NotificationServices.h"
#include "platform/ScreensAndLanguages.h"
#include "platform/WindowServer.h"

namespace platform {

// The roles the desktop plays for one program, as its entry point receives them
// (connectToDesktop) and hands them on: each component takes the one role it uses, never the
// record. The roles stay valid while a copy of the record holds `provider`, what plays them.
// Main thread only, as the roles are.
struct DesktopServices {
  WindowServer* windowServer = nullptr;
  ApplicationServices* applications = nullptr;
  HotKeyServices* hotKeys = nullptr;
  NotificationServices* notifications = nullptr;
  ScreensAndLanguages* screensAndLanguages = nullptr;
  // What plays the roles (the line to the desktop), kept alive without being named.
  std::shared_ptr<void> provider;
};

}  // namespace platform
