#include "LauncherServices.h"

#include "platform/GlobalQueue.h"

namespace launcher {

LauncherServices LauncherServices::forProcess() {
  platform::Application& application = platform::Application::shared();
  const platform::ProcessInfo& process = platform::ProcessInfo::current();
  // The process's one notification centre, on the application's desktop and loop.
  static platform::UserNotificationCenter notifications(application.desktop(), application.loop(),
                                                        platform::GlobalQueue::userInitiated());
  return LauncherServices{
      .application = &application,
      .files = &platform::FileManager::defaultManager(),
      .process = &process,
      .bundle = platform::Bundle::main(),
      .processes = &platform::ProcessLauncher::shared(),
      .paths = platform::SystemPaths::fromProcess(process),
      .hotKeyTarget = platform::GetApplicationEventTarget(application),
      .http = &platform::HttpSession::shared(),
      .notifications = &notifications,
  };
}

}  // namespace launcher
