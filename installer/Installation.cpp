#include "Installation.h"

#include <string_view>
#include <utility>

#include "InstallerNames.h"
#include "LauncherSettingsMerge.h"
#include "platform/Workspace.h"
#include "suite/HomeFolder.h"
#include "suite/Identity.h"
#include "suite/LaunchAgent.h"
#include "suite/Launchctl.h"

namespace installer {
namespace {

suite::Outcome failed(const InstallerCopy& copy, std::string message) {
  return {false, copy.installFailedTitle, std::move(message)};
}

std::filesystem::path bundleIn(const std::filesystem::path& folder, std::string_view name) {
  return folder / (std::string(name) + ".app");
}

}  // namespace

Installation::Installation(InstallationServices services, suite::HomeLayout layout,
                           std::filesystem::path resources, const std::atomic<bool>& stop)
    : services_(std::move(services)),
      layout_(std::move(layout)),
      resources_(std::move(resources)),
      stop_(&stop) {}

suite::Outcome Installation::run(const InstallerChoice& choice, bool isUpdate,
                                 const Progress& progress) const {
  const InstallerCopy copy = installerCopy(choice.language, isUpdate);
  const platform::FileManager& files = *services_.files;
  if (resources_.empty() || !files.fileExists(resources_)) {
    return failed(copy, copy.missingResourcesMessage);
  }
  const std::filesystem::path app = bundleIn(resources_, suite::productName);
  const std::filesystem::path launcher = bundleIn(resources_, suite::launcherBundleName);
  if (!files.itemExists(app)) {
    return failed(copy, copy.missingAppMessage);
  }
  if (!files.itemExists(launcher)) {
    return failed(copy, copy.missingLauncherMessage);
  }
  if (const auto trusted =
          suite::trustedHomeFolder(layout_.home, errorDomain, ", so nothing was installed");
      !trusted) {
    return failed(copy, trusted.error().localizedDescription);
  }

  progress(0.1, copy.progressClosing);
  const ClosedPrograms closed = closeRunningPrograms();
  // From here on a failure starts again what was closed, so the user keeps a working shortcut.
  const auto giveBack = [&](suite::Outcome result) {
    reopen(closed, copy);
    return result;
  };
  const auto stopped = [&] { return failed(copy, copy.installerCouldNotStartMessage); };
  if (*stop_) {
    return stopped();
  }
  progress(0.25, copy.progressPreparing);
  for (const std::filesystem::path& folder : {layout_.applicationsFolder, layout_.supportFolder}) {
    if (const auto created = files.createDirectory(folder); !created) {
      return giveBack(failed(copy, created.error().localizedDescription));
    }
  }
  progress(0.55, copy.progressInstallingApp);
  if (const auto replaced = files.replaceItem(app, layout_.installedApplication); !replaced) {
    return giveBack(failed(copy, replaced.error().localizedDescription));
  }
  if (*stop_) {
    return stopped();
  }
  progress(0.8, copy.progressInstallingLauncher);
  if (const auto replaced = files.replaceItem(launcher, layout_.installedLauncher); !replaced) {
    return giveBack(failed(copy, replaced.error().localizedDescription));
  }
  if (*stop_) {
    return stopped();
  }
  progress(0.92, copy.progressConfiguringStartup);
  if (choice.startAtLogin) {
    if (const auto installed = installLaunchAgent(copy); !installed) {
      return giveBack({false, copy.startupErrorTitle, installed.error().localizedDescription});
    }
  }
  if (const auto saved = saveLauncherLanguage(files, layout_, choice.language); !saved) {
    return giveBack(
        failed(copy, copy.languageSaveFailedMessage + " " + saved.error().localizedDescription));
  }
  progress(1.0, copy.progressFinishing);
  return isUpdate ? suite::Outcome{true, copy.updateSuccessTitle, copy.updateSuccessMessage}
                  : suite::Outcome{true, copy.installSuccessTitle, copy.installSuccessMessage};
}

Installation::ClosedPrograms Installation::closeRunningPrograms() const {
  ClosedPrograms closed;
  for (const std::string_view identifier :
       {suite::targetBundleIdentifier, suite::launcherBundleIdentifier}) {
    for (platform::RunningApplication& application :
         platform::RunningApplication::runningApplications(std::string(identifier),
                                                           *services_.applications)) {
      if (application.isTerminated()) {
        continue;
      }
      (identifier == suite::targetBundleIdentifier ? closed.targetApplication : closed.launcher) =
          true;
      if (!application.terminate()) {
        application.forceTerminate();
      }
    }
  }
  if (services_.pauseAfterClosing) {
    services_.pauseAfterClosing();
  }
  return closed;
}

void Installation::reopen(const ClosedPrograms& closed, const InstallerCopy& copy) const {
  const platform::ProcessLauncher& processes = *services_.processes;
  if (closed.launcher) {
    // kickstart fails when launchd has no such agent loaded.
    const std::string service =
        suite::guiDomain(services_.userId) + "/" + std::string(suite::launchAgentLabel);
    if (!runLaunchctl({"kickstart", service}, false, copy)) {
      [[maybe_unused]] const auto opened =
          processes.launch("/usr/bin/open", {layout_.installedLauncher.string()});
    }
  }
  if (closed.targetApplication) {
    [[maybe_unused]] const auto opened =
        processes.launch("/usr/bin/open", {layout_.installedApplication.string()});
  }
}

platform::Result<void> Installation::installLaunchAgent(const InstallerCopy& copy) const {
  const std::string agent = layout_.launchAgent.string();
  if (const auto written = suite::writeLaunchAgent(
          *services_.files,
          layout_.installedLauncher / "Contents/MacOS" / suite::launcherBundleName, errorDomain);
      !written) {
    return written;
  }
  const std::string domain = suite::guiDomain(services_.userId);
  [[maybe_unused]] const auto bootout = runLaunchctl({"bootout", domain, agent}, true, copy);
  if (const auto loaded = runLaunchctl({"bootstrap", domain, agent}, false, copy); !loaded) {
    return loaded;
  }
  return runLaunchctl({"kickstart", "-k", domain + "/" + std::string(suite::launchAgentLabel)},
                      false, copy);
}

platform::Result<void> Installation::runLaunchctl(const std::vector<std::string>& arguments,
                                                  bool allowFailure,
                                                  const InstallerCopy& copy) const {
  return suite::runLaunchctl(*services_.processes, services_.launchctlTimeLimit, arguments,
                             allowFailure, {errorDomain, copy.launchctlErrorMessage});
}

}  // namespace installer
