#include "LauncherServices.h"

namespace launcher {

LauncherServices LauncherServices::forProcess() {
  platform::Application& application = platform::Application::shared();
  return LauncherServices{
      .application = &application,
      .files = &platform::FileManager::defaultManager(),
      .process = &platform::ProcessInfo::current(),
      .bundle = platform::Bundle::main(),
      .processes = &platform::ProcessLauncher::shared(),
      .paths = platform::SystemPaths::fromProcess(),
      .hotKeyTarget = platform::GetApplicationEventTarget(application),
      .http = &platform::HttpSession::shared(),
      .notifications = &platform::UserNotificationCenter::current(),
  };
}

}  // namespace launcher
