#include "Removal.h"

#include <string_view>
#include <utility>

#include "UninstallerTexts.h"
#include "platform/Workspace.h"
#include "suite/HomeFolder.h"
#include "suite/Identity.h"
#include "suite/Launchctl.h"

namespace uninstaller {
namespace {

constexpr const char* launchctlFailure = "launchctl failed while removing startup.";

suite::Outcome failure(const platform::Error& error) {
  return {false, "Uninstall failed", error.localizedDescription};
}

}  // namespace

Removal::Removal(RemovalServices services, suite::HomeLayout layout, const std::atomic<bool>& stop)
    : services_(services), layout_(std::move(layout)), stop_(&stop) {}

suite::Outcome Removal::run(const UninstallChoice& choice) const {
  // Every removal is aimed by the home folder, so a home that the suite does not trust (a link to
  // "/" among them) is refused before anything is touched.
  if (const auto trusted =
          suite::trustedHomeFolder(layout_.home, errorDomain, ", so nothing was removed");
      !trusted) {
    return failure(trusted.error());
  }
  closeRunningPrograms();
  unloadLaunchAgent();
  std::vector<std::filesystem::path> removals = layout_.suiteItems();
  if (choice.removeData) {
    removals.insert(removals.end(), layout_.data.begin(), layout_.data.end());
  }
  const platform::FileManager& files = *services_.files;
  for (const std::filesystem::path& path : removals) {
    if (*stop_) {
      return {false, "Uninstall failed", "The uninstaller was asked to quit before it was done."};
    }
    // An item that is not there, or that another program removes meanwhile, is not an error.
    files.removeLeftovers(path);
    if (const platform::Result<void> removed = files.removeItem(path); !removed) {
      return failure(removed.error());
    }
  }
  return {true, "Ferrolin uninstalled",
          std::string("Ferrolin and its launcher were removed.") +
              (choice.removeData ? " Your settings and local data were removed as well."
                                 : " Ferrolin’s own settings and data were kept; the launcher’s "
                                   "settings were removed.")};
}

void Removal::closeRunningPrograms() const {
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

void Removal::unloadLaunchAgent() const {
  [[maybe_unused]] const platform::Result<void> ignored = suite::runLaunchctl(
      *services_.processes, services_.launchctlTimeLimit,
      {"bootout", suite::guiDomain(services_.userId), layout_.launchAgent.string()}, true,
      {errorDomain, launchctlFailure});
}

}  // namespace uninstaller
