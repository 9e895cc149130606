// FerrolinUninstaller's entry point: removes the suite from the user's account.

#include "UninstallerApp.h"
#include "platform/FileManager.h"
#include "platform/GlobalQueue.h"
#include "suite/Launchctl.h"
#include "suite/SetupProgram.h"

int main() {
  return suite::runSetupProgram("FerrolinUninstaller", [](const suite::SetupProgramParts& parts) {
    return std::make_shared<uninstaller::UninstallerApp>(uninstaller::UninstallerServices{
        .application = &parts.application,
        .screens = &parts.screens,
        .background = &platform::GlobalQueue::userInitiated(),
        .bundle = platform::Bundle::main(),
        .removal =
            {
                .files = &platform::FileManager::defaultManager(),
                .processes = &parts.processes,
                .applications = &parts.applications,
                .userId = parts.userId,
                .launchctlTimeLimit = suite::launchctlTimeLimit,
            },
    });
  });
}
