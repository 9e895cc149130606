// The removal: it runs on the background queue, so it reaches the running applications only
// through the services made for any thread.

#include <utility>

#include "UninstallPaths.h"
#include "UninstallerApp.h"
#include "UninstallerTexts.h"
#include "platform/Workspace.h"
#include "suite/Launchctl.h"

namespace uninstaller {
namespace {

constexpr const char* launchctlFailure = "launchctl failed while removing startup.";

UninstallOutcome failure(const platform::Error& error) {
  return {false, "Uninstall failed", error.localizedDescription};
}

}  // namespace

UninstallOutcome UninstallerApp::uninstall(bool removeData) {
  const platform::Result<UninstallPaths> paths =
      UninstallPaths::underHome(services_.files->homeDirectory());
  if (!paths) {
    return failure(paths.error());
  }
  terminateApps();
  unloadLaunchAgent(paths->launchAgent);
  std::vector<std::filesystem::path> removals = paths->suite();
  if (removeData) {
    removals.insert(removals.end(), paths->data.begin(), paths->data.end());
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
  for (const char* identifier : {bundleIdentifier, launcherBundleIdentifier}) {
    for (platform::RunningApplication& application :
         platform::RunningApplication::runningApplications(identifier, *services_.applications)) {
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
