#include "LauncherServices.h"

#include "suite/Launchctl.h"

namespace launcher {

LauncherServices LauncherServices::forProcess(platform::Application& application,
                                              const platform::DesktopServices& desktop,
                                              platform::UserNotificationCenter& notifications,
                                              const platform::ProcessLauncher& processes) {
  const platform::ProcessInfo& process = platform::ProcessInfo::current();
  return LauncherServices{
      .application = &application,
      .applications = desktop.applications,
      .screensAndLanguages = desktop.screensAndLanguages,
      .files = &platform::FileManager::defaultManager(),
      .process = &process,
      .bundle = platform::Bundle::main(),
      .processes = &processes,
      .launchctlTimeLimit = suite::launchctlTimeLimit,
      .paths = platform::SystemPaths::fromProcess(process),
      .hotKeyTarget = platform::GetApplicationEventTarget(application),
      .http = &platform::HttpSession::shared(),
      .notifications = &notifications,
  };
}

}  // namespace launcher
