#include "LauncherServices.h"

namespace launcher {

LauncherServices LauncherServices::forProcess() {
  return LauncherServices{
      .application = &platform::Application::shared(),
      .files = &platform::FileManager::defaultManager(),
      .process = &platform::ProcessInfo::current(),
      .bundle = platform::Bundle::main(),
      .processes = &platform::ProcessLauncher::shared(),
      .paths = platform::SystemPaths::fromProcess(),
      .hotKeyTarget = platform::GetApplicationEventTarget(),
      .http = &platform::HttpSession::shared(),
      .notifications = &platform::UserNotificationCenter::current(),
  };
}

}  // namespace launcher
