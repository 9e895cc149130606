// The removal: it runs on the background queue, so it reaches the running applications only
// through the services made for any thread.

#include <utility>

#include "UninstallerApp.h"
#include "UninstallerTexts.h"
#include "platform/Workspace.h"
#include "suite/HomeFolder.h"
#include "suite/HomeLayout.h"
#include "suite/Identity.h"
#include "suite/Launchctl.h"

namespace uninstaller {
namespace {

constexpr const char* launchctlFailure = "launchctl failed while removing startup.";

UninstallOutcome failure(const platform::Error& error) {
  return {false, "Uninstall failed", error.localizedDescription};
}

}  // namespace

UninstallOutcome UninstallerApp::uninstall(bool removeData) {
  // Every removal is aimed by the home folder, so a home that the suite does not trust (a link to
  // "/" among them) is refused before anything is touched.
  const std::filesystem::path home = services_.files->homeDirectory();
  if (const auto trusted = suite::trustedHomeFolder(home, errorDomain, ", so nothing was removed");
      !trusted) {
    return failure(trusted.error());
  }
  const suite::HomeLayout layout = suite::HomeLayout::under(home);
  terminateApps();
  unloadLaunchAgent(layout.launchAgent);
  std::vector<std::filesystem::path> removals = layout.suiteItems();
  if (removeData) {
    removals.insert(removals.end(), layout.data.begin(), layout.data.end());
  }
  for (const std::filesystem::path& path : removals) {
    if (stopRequested_) {
      return {false, "Uninstall failed", "The uninstaller was asked to quit before it was done."};
    }
    if (const platform::Result<void> removed = removeIfExists(path); !removed) {
      return failure(removed.error());
    }
  }
  return {true, "Ferrolin uninstalled",
          std::string("Ferrolin and its launcher were removed.") +
              (removeData ? " Your settings and local data were removed as well."
                          : " Ferrolin’s own settings and data were kept; the launcher’s settings "
                            "were removed.")};
}

void UninstallerApp::terminateApps() {
  for (const std::string_view identifier :
       {suite::targetBundleIdentifier, suite::launcherBundleIdentifier}) {
    for (platform::RunningApplication& application :
         platform::RunningApplication::runningApplications(std::string(identifier),
                                                           *services_.applications)) {
      if (!application.isTerminated() && !application.terminate()) {
        application.forceTerminate();
      }
    }
  }
}

void UninstallerApp::unloadLaunchAgent(const std::filesystem::path& agent) {
  [[maybe_unused]] const platform::Result<void> ignored =
      runLaunchctl({"bootout", suite::guiDomain(services_.userId), agent.string()}, true);
}

platform::Result<void> UninstallerApp::removeIfExists(const std::filesystem::path& path) {
  // What a killed installation or save left beside the item goes with it. An item that is not
  // there, or that another program removes meanwhile, is not an error.
  services_.files->removeLeftovers(path);
  return services_.files->removeItem(path);
}

platform::Result<void> UninstallerApp::runLaunchctl(const std::vector<std::string>& arguments,
                                                    bool allowFailure) {
  return suite::runLaunchctl(*services_.processes, services_.launchctlTimeLimit, arguments,
                             allowFailure, {errorDomain, launchctlFailure});
}

}  // namespace uninstaller
