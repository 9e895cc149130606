#include "LauncherDelegate.h"

#include <string>
#include <utility>
#include <vector>

#include "ServiceAddress.h"
#include "platform/Url.h"
#include "platform/Workspace.h"

namespace launcher {

LauncherDelegate::LauncherDelegate(LauncherServices services)
    : services_(std::move(services)),
      config_(LauncherConfig::load(*services_.process, services_.bundle, *services_.files)),
      startupManager_(*services_.files, services_.bundle, *services_.processes, *services_.process),
      settingsStore_(*services_.files) {}

void LauncherDelegate::applicationDidFinishLaunching() {
  services_.application->setActivationPolicy(platform::ActivationPolicy::accessory);
  // The item's shortcut line is the first read of the settings.
  statusItemController().install();
  hotkeyController().install();
  updateChecker().check(updateHandler());
}

void LauncherDelegate::applicationWillTerminate() {
  hotkeyController().uninstall();
}

void LauncherDelegate::toggleTargetApp() {
  targetAppController().toggleTargetApp(services_.bundle.bundleIdentifier());
}

void LauncherDelegate::quitLauncher() {
  targetAppController().terminateTargetApp();
  unloadLaunchAgentForManualQuit();
  services_.application->terminate();
}

void LauncherDelegate::openSettings() {}

void LauncherDelegate::openDownloadPage() {
  const std::optional<platform::Url> url =
      platform::Url::parse(serviceAddress(config_.apiOrigin, "/download"));
  if (!url) {
    return;
  }
  // Whether the browser took it is not observed.
  [[maybe_unused]] const bool opened =
      platform::Workspace(services_.application->desktop()).open(url->absoluteString());
}

const LauncherSettings& LauncherDelegate::settings() {
  if (!settings_) {
    const bool startupEnabled = startupManager_.isEnabled();
    settings_ = settingsStore_.load(config_, startupEnabled);
  }
  return *settings_;
}

TargetAppController& LauncherDelegate::targetAppController() {
  if (!targetAppController_) {
    targetAppController_ = std::make_unique<TargetAppController>(
        config_, services_.application->desktop(), *services_.files, services_.bundle,
        *services_.processes, services_.paths);
  }
  return *targetAppController_;
}

HotkeyController& LauncherDelegate::hotkeyController() {
  if (!hotkeyController_) {
    hotkeyController_ = std::make_unique<HotkeyController>(
        std::vector<std::string>{settings().shortcut},
        weakCallback(&LauncherDelegate::toggleTargetApp), services_.hotKeyTarget);
  }
  return *hotkeyController_;
}

StatusItemController& LauncherDelegate::statusItemController() {
  if (!statusItemController_) {
    statusItemController_ = std::make_unique<StatusItemController>(
        settings().shortcut, weakCallback(&LauncherDelegate::toggleTargetApp),
        weakCallback(&LauncherDelegate::openSettings),
        weakCallback(&LauncherDelegate::openDownloadPage),
        weakCallback(&LauncherDelegate::quitLauncher), *services_.application,
        *services_.notifications);
  }
  return *statusItemController_;
}

UpdateChecker& LauncherDelegate::updateChecker() {
  if (!updateChecker_) {
    updateChecker_ =
        std::make_unique<UpdateChecker>(config_, *services_.http, services_.application->loop());
  }
  return *updateChecker_;
}

void LauncherDelegate::unloadLaunchAgentForManualQuit() const {
  const std::filesystem::path agent = startupManager_.plistURL();
  if (!services_.files->fileExists(agent)) {
    return;
  }
  // Not awaited, and a launchctl that cannot be started changes nothing: quitting goes on. The
  // file stays, so the launcher starts again at the next login.
  [[maybe_unused]] const platform::Result<pid_t> started = services_.processes->launch(
      "/bin/launchctl",
      {"bootout", "gui/" + std::to_string(services_.process->realUserId()), agent.string()});
}

UpdateChecker::Completion LauncherDelegate::updateHandler() {
  return [weak = weak_from_this()](const std::optional<VersionCheckResult>& result) {
    if (const std::shared_ptr<LauncherDelegate> delegate = weak.lock()) {
      delegate->handleUpdateResult(result);
    }
  };
}

void LauncherDelegate::handleUpdateResult(const std::optional<VersionCheckResult>& result) {
  // A check that found nothing never hides an update found earlier.
  if (!result) {
    return;
  }
  updateResult_ = result;
  statusItemController().showUpdateAvailable(*result);
}

std::function<void()> LauncherDelegate::weakCallback(void (LauncherDelegate::*action)()) {
  return [weak = weak_from_this(), action] {
    if (const std::shared_ptr<LauncherDelegate> delegate = weak.lock()) {
      ((*delegate).*action)();
    }
  };
}

}  // namespace launcher
