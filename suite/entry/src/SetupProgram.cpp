#include "suite/SetupProgram.h"

#include <unistd.h>

#include <chrono>
#include <iostream>

#include "platform/ApplicationServicesForAnyThread.h"
#include "platform/Bundle.h"
#include "platform/DesktopLink.h"
#include "platform/EventLoop.h"
#include "platform/ProcessInfo.h"
#include "platform/SystemPaths.h"

namespace suite {

int runSetupProgram(
    std::string_view name,
    const std::function<std::shared_ptr<BackgroundWorkDelegate>(const SetupProgramParts&)>&
        makeDelegate) {
  const platform::ProcessInfo& process = platform::ProcessInfo::current();
  platform::EventLoop& loop = platform::EventLoop::main();
  const platform::SystemPaths paths = platform::SystemPaths::fromProcess(process);
  auto desktop = platform::connectToDesktop(paths, loop);
  if (!desktop) {
    std::cerr << name << ": " << desktop.error().localizedDescription << "\n";
    return 1;
  }
  const std::unique_ptr<platform::Application> application =
      platform::Application::forBundle(*desktop, loop, platform::Bundle::main(), ::getpid());
  const platform::ProcessLauncher processes(paths, platform::desktopJournal(paths));
  platform::ApplicationServicesForAnyThread applications(*desktop->applications, loop);
  const std::shared_ptr<BackgroundWorkDelegate> delegate = makeDelegate({
      .application = *application,
      .screens = *desktop->screensAndLanguages,
      .processes = processes,
      .applications = applications,
      .userId = process.realUserId(),
  });
  application->setDelegate(delegate.get());
  application->run();
  const bool finished = delegate->finishAfterTermination(loop, std::chrono::minutes(2));
  application->setDelegate(nullptr);
  return finished ? 0 : 1;
}

}  // namespace suite
