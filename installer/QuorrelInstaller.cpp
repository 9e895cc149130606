// FerrolinInstaller's entry point: installs or updates the suite in the user's home.

#include "InstallerApp.h"
#include "platform/FileManager.h"
#include "platform/GlobalQueue.h"
#include "platform/ProcessInfo.h"
#include "suite/Launchctl.h"
#include "suite/SetupProgram.h"

int main() {
  return suite::runSetupProgram("FerrolinInstaller", [](const suite::SetupProgramParts& parts) {
    return std::make_shared<installer::InstallerApp>(installer::InstallerServices{
        .application = &parts.application,
        .screens = &parts.screens,
        .background = &platform::GlobalQueue::userInitiated(),
        .bundle = platform::Bundle::main(),
        .installation =
            {
                .files = &platform::FileManager::defaultManager(),
                .processes = &parts.processes,
                .applications = &parts.applications,
                .userId = parts.userId,
                .launchctlTimeLimit = suite::launchctlTimeLimit,
                .pauseAfterClosing = [] { platform::ProcessInfo::sleepMicroseconds(250'000); },
            },
    });
  });
}
