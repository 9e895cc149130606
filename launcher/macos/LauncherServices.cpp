#include "LauncherServices.h"

#include "platform/GlobalQueue.h"

namespace launcher {

LauncherServices LauncherServices::forProcess() {
  platform::Application& application = platform::Application::shared();
  // The process's one notification centre, on the application's desktop and loop.
  static platform::UserNotificationCenter notifications(application.desktop(), application.loop(),
                                                        platform::GlobalQueue::userInitiated());
  return LauncherServices{
      .application = &application,
      .files = &platform::FileManager::defaultManager(),
      .process = &platform::ProcessInfo::current(),
      .bundle = platform::Bundle::main(),
      .processes = &platform::ProcessLauncher::shared(),
      .paths = platform::SystemPaths::fromProcess(),
      .hotKeyTarget = platform::GetApplicationEventTarget(application),
      .http = &platform::HttpSession::shared(),
      .notifications = &notifications,
  };
}

}  // namespace launcher
