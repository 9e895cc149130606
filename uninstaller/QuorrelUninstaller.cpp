// FerrolinUninstaller's entry point: removes the suite from the user's account.

#include <unistd.h>

#include <iostream>
#include <memory>

#include "UninstallerApp.h"
#include "platform/ApplicationServicesForAnyThread.h"
#include "platform/DesktopLink.h"
#include "platform/EventLoop.h"
#include "platform/ProcessInfo.h"
#include "platform/SystemPaths.h"
#include "suite/Launchctl.h"

int main() {
  const platform::ProcessInfo& process = platform::ProcessInfo::current();
  platform::EventLoop& loop = platform::EventLoop::main();
  const platform::SystemPaths paths = platform::SystemPaths::fromProcess(process);
  auto desktop = platform::connectToDesktop(paths, loop);
  if (!desktop) {
    std::cerr << "FerrolinUninstaller: " << desktop.error().localizedDescription << "\n";
    return 1;
  }
  const std::unique_ptr<platform::Application> application =
      platform::Application::forBundle(*desktop, loop, platform::Bundle::main(), ::getpid());
  const platform::ProcessLauncher processes(paths, platform::desktopJournal(paths));
  platform::ApplicationServicesForAnyThread applications(*desktop->applications, loop);
  const auto delegate =
      std::make_shared<uninstaller::UninstallerApp>(uninstaller::UninstallerServices{
          .application = application.get(),
          .screens = desktop->screensAndLanguages,
          .background = &platform::GlobalQueue::userInitiated(),
          .bundle = platform::Bundle::main(),
          .removal =
              {
                  .files = &platform::FileManager::defaultManager(),
                  .processes = &processes,
                  .applications = &applications,
                  .userId = process.realUserId(),
                  .launchctlTimeLimit = suite::launchctlTimeLimit,
              },
      });
  return suite::runToTheEnd(*application, *delegate);
}
