// The installation: it runs on the background queue, so it reaches the running applications only
// through the services made for any thread, and the main thread only through progress reports.

#include <nlohmann/json.hpp>

#include "InstallerApp.h"
#include "InstallerNames.h"
#include "platform/Workspace.h"
#include "suite/HomeFolder.h"
#include "suite/HomeLayout.h"
#include "suite/Identity.h"
#include "suite/LaunchAgent.h"
#include "suite/Launchctl.h"
#include "suite/LauncherSettingsFile.h"

namespace installer {
namespace {

constexpr const char* defaultShortcut = "command+option+b";

InstallResult failed(const InstallerCopy& copy, std::string message) {
  return {false, copy.installFailedTitle, std::move(message)};
}

}  // namespace

InstallResult InstallerApp::install(bool startAtLogin, bool isUpdate, const std::string& language,
                                    const InstallerCopy& copy, const Progress& progress) {
  const platform::FileManager& files = *services_.files;
  const std::filesystem::path& resources = services_.bundle.resourcePath();
  if (resources.empty() || !files.fileExists(resources)) {
    return failed(copy, copy.missingResourcesMessage);
  }
  const std::filesystem::path app = resources / (std::string(suite::productName) + ".app");
  const std::filesystem::path launcher =
      resources / (std::string(suite::launcherBundleName) + ".app");
  if (!files.itemExists(app)) {
    return failed(copy, copy.missingAppMessage);
  }
  if (!files.itemExists(launcher)) {
    return failed(copy, copy.missingLauncherMessage);
  }
  const std::filesystem::path home = files.homeDirectory();
  if (const auto trusted =
          suite::trustedHomeFolder(home, errorDomain, ", so nothing was installed");
      !trusted) {
    return failed(copy, trusted.error().localizedDescription);
  }
  const suite::HomeLayout layout = suite::HomeLayout::under(home);

  progress(0.1, copy.progressClosing);
  const ClosedPrograms closed = terminateRunningInstances();
  // From here on a failure starts again what was closed, so the user keeps a working shortcut. An
  // installation whose program is ending stops between two steps, never in the middle of one.
  const auto giveBack = [&](InstallResult result) {
    reopenClosedPrograms(closed);
    return result;
  };
  const auto stopped = [&] { return failed(copy, copy.installerCouldNotStartMessage); };
  if (stopRequested_) {
    return stopped();
  }
  progress(0.25, copy.progressPreparing);
  for (const std::filesystem::path& folder : {layout.applicationsFolder, layout.supportFolder}) {
    if (const auto created = files.createDirectory(folder); !created) {
      return giveBack(failed(copy, created.error().localizedDescription));
    }
  }
  progress(0.55, copy.progressInstallingApp);
  if (const auto replaced = replaceItem(app, layout.installedApplication); !replaced) {
    return giveBack(failed(copy, replaced.error().localizedDescription));
  }
  if (stopRequested_) {
    return stopped();
  }
  progress(0.8, copy.progressInstallingLauncher);
  if (const auto replaced = replaceItem(launcher, layout.installedLauncher); !replaced) {
    return giveBack(failed(copy, replaced.error().localizedDescription));
  }
  if (stopRequested_) {
    return stopped();
  }
  progress(0.92, copy.progressConfiguringStartup);
  if (startAtLogin) {
    if (const auto installed = installLaunchAgent(layout.installedLauncher); !installed) {
      return giveBack({false, copy.startupErrorTitle, installed.error().localizedDescription});
    }
  }
  if (const auto saved = persistLauncherLanguage(language); !saved) {
    return giveBack(
        failed(copy, copy.languageSaveFailedMessage + " " + saved.error().localizedDescription));
  }
  progress(1.0, copy.progressFinishing);
  return isUpdate ? InstallResult{true, copy.updateSuccessTitle, copy.updateSuccessMessage}
                  : InstallResult{true, copy.installSuccessTitle, copy.installSuccessMessage};
}

InstallerApp::ClosedPrograms InstallerApp::terminateRunningInstances() {
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

void InstallerApp::reopenClosedPrograms(const ClosedPrograms& closed) {
  const suite::HomeLayout layout = suite::HomeLayout::under(services_.files->homeDirectory());
  const platform::ProcessLauncher& processes = *services_.processes;
  if (closed.launcher) {
    // kickstart fails when launchd has no such agent loaded.
    const std::string service =
        suite::guiDomain(services_.userId) + "/" + std::string(suite::launchAgentLabel);
    if (!runLaunchctl({"kickstart", service}, false)) {
      [[maybe_unused]] const auto opened =
          processes.launch("/usr/bin/open", {layout.installedLauncher.string()});
    }
  }
  if (closed.targetApplication) {
    [[maybe_unused]] const auto opened =
        processes.launch("/usr/bin/open", {layout.installedApplication.string()});
  }
}

platform::Result<void> InstallerApp::replaceItem(const std::filesystem::path& source,
                                                 const std::filesystem::path& destination) {
  return services_.files->replaceItem(source, destination);
}

platform::Result<void> InstallerApp::installLaunchAgent(
    const std::filesystem::path& launcherBundle) {
  const platform::FileManager& files = *services_.files;
  const std::filesystem::path agent = suite::HomeLayout::under(files.homeDirectory()).launchAgent;
  if (const auto written = suite::writeLaunchAgent(
          files, launcherBundle / "Contents/MacOS" / suite::launcherBundleName, errorDomain);
      !written) {
    return written;
  }
  const std::string domain = suite::guiDomain(services_.userId);
  [[maybe_unused]] const auto bootout = runLaunchctl({"bootout", domain, agent.string()}, true);
  if (const auto loaded = runLaunchctl({"bootstrap", domain, agent.string()}, false); !loaded) {
    return loaded;
  }
  return runLaunchctl({"kickstart", "-k", domain + "/" + std::string(suite::launchAgentLabel)},
                      false);
}

platform::Result<void> InstallerApp::runLaunchctl(const std::vector<std::string>& arguments,
                                                  bool allowFailure) {
  return suite::runLaunchctl(
      *services_.processes, services_.launchctlTimeLimit, arguments, allowFailure,
      {errorDomain,
       installerCopy(currentLanguageCode_, installAlertIsInstalled_).launchctlErrorMessage});
}

platform::Result<void> InstallerApp::persistLauncherLanguage(const std::string& language) {
  const platform::FileManager& files = *services_.files;
  const std::filesystem::path file =
      suite::HomeLayout::under(files.homeDirectory()).launcherSettings;
  std::optional<suite::LauncherSettingsPayload> existing;
  if (const auto contents = files.contentsOfFile(file)) {
    existing = suite::LauncherSettingsPayload::decodeText(*contents);
  }
  const bool supported = std::ranges::any_of(
      supportedLanguages(), [&](const auto& entry) { return entry.first == language; });
  const suite::LauncherSettingsPayload payload{
      existing ? existing->shortcut : defaultShortcut,
      existing ? existing->startAtLogin : isStartupEnabled(), supported ? language : "en"};
  return suite::writeSettingsFile(files, file, payload.toJSON());
}

}  // namespace installer
