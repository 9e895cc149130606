// FerrolinLauncher's entry point: the menu-bar program that keeps Ferrolin one shortcut away.

#include <unistd.h>

#include <iostream>
#include <memory>

#include "LauncherDelegate.h"
#include "LauncherServices.h"
#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/DesktopLink.h"
#include "platform/EventLoop.h"
#include "platform/GlobalQueue.h"
#include "platform/ProcessInfo.h"
#include "platform/ProcessLauncher.h"
#include "platform/SystemPaths.h"
#include "platform/UserNotifications.h"

namespace {

class QuorrelLauncherMain {
 public:
  // Connects to the desktop, makes the application and the delegate, handing each the desktop's
  // roles it uses, and runs the event loop until the application terminates. Returns the process's
  // exit status.
  static int main() {
    platform::EventLoop& loop = platform::EventLoop::main();
    const platform::SystemPaths paths =
        platform::SystemPaths::fromProcess(platform::ProcessInfo::current());
    auto desktop = platform::connectToDesktop(paths, loop);
    if (!desktop) {
      std::cerr << "Ferrolin Launcher: " << desktop.error().localizedDescription << "\n";
      return 1;
    }
    const std::unique_ptr<platform::Application> application =
        platform::Application::forBundle(*desktop, loop, platform::Bundle::main(), ::getpid());
    platform::UserNotificationCenter notifications(*desktop->notifications, loop,
                                                   platform::GlobalQueue::userInitiated());
    const platform::ProcessLauncher processes(paths, platform::desktopJournal(paths));
    retainedDelegate = std::make_shared<launcher::LauncherDelegate>(
        launcher::LauncherServices::forProcess(*application, *desktop, notifications, processes));
    application->setDelegate(retainedDelegate.get());
    application->run();
    // The process ends now. The delegate's components hold on to the application's status item
    // and hot keys, so they go while the application still exists.
    application->setDelegate(nullptr);
    retainedDelegate.reset();
    return 0;
  }

 private:
  // The only owner of the delegate: the application refers to it without owning it.
  static inline std::shared_ptr<launcher::LauncherDelegate> retainedDelegate;
};

}  // namespace

int main() {
  return QuorrelLauncherMain::main();
}
