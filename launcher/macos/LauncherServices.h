#pragma once

#include <chrono>

#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/CarbonEvents.h"
#include "platform/DesktopServices.h"
#include "platform/FileManager.h"
#include "platform/HttpSession.h"
#include "platform/ProcessInfo.h"
#include "platform/ProcessLauncher.h"
#include "platform/SystemPaths.h"
#include "platform/UserNotifications.h"

namespace launcher {

// The platform services the launcher's delegate hands to the components it makes. None is owned:
// each must outlive the delegate. A program takes the process's own services (forProcess); a test
// gives its emulated desktop, folders and loop.
struct LauncherServices {
  platform::Application* application = nullptr;  // the menu bar, windows and the main queue
  // The running applications (the target, other launchers) and the default browser.
  platform::ApplicationServices* applications = nullptr;
  platform::ScreensAndLanguages* screensAndLanguages = nullptr;  // the settings window's displays
  platform::FileManager* files = nullptr;                        // home and temporary folders
  const platform::ProcessInfo* process = nullptr;
  platform::Bundle bundle;  // the launcher's own bundle
  const platform::ProcessLauncher* processes = nullptr;
  // How long one launchctl run may take before it is ended and fails (suite::launchctlTimeLimit in
  // a program).
  std::chrono::milliseconds launchctlTimeLimit;
  platform::SystemPaths paths;
  platform::EventTargetRef hotKeyTarget = nullptr;
  platform::HttpSession* http = nullptr;
  platform::UserNotificationCenter* notifications = nullptr;

  // The running process's services, with the program's application, its desktop's roles and its
  // notification centre.
  static LauncherServices forProcess(platform::Application& application,
                                     const platform::DesktopServices& desktop,
                                     platform::UserNotificationCenter& notifications,
                                     const platform::ProcessLauncher& processes);
};

}  // namespace launcher
