#include "LauncherDelegate.h"

#include <string>
#include <utility>
#include <vector>

#include "ServiceAddress.h"
#include "ShortcutGrammar.h"
#include "platform/Url.h"
#include "platform/Workspace.h"
#include "suite/Launchctl.h"

namespace launcher {

LauncherDelegate::LauncherDelegate(LauncherServices services)
    : services_(std::move(services)),
      config_(LauncherConfig::load(*services_.process, services_.bundle, *services_.files)),
      startupManager_(*services_.files, services_.bundle, *services_.processes,
                      services_.launchctlTimeLimit, *services_.process),
      settingsStore_(*services_.files) {}

void LauncherDelegate::applicationDidFinishLaunching() {
  // Turning start at login on loads the agent, which starts a launcher at once while this one
  // runs; the newcomer leaves before it touches the menu bar, the hot keys or the settings.
  if (anotherLauncherRunsAlready()) {
    services_.application->terminate();
    return;
  }
  services_.application->setActivationPolicy(platform::ActivationPolicy::accessory);
  // The item's shortcut line is the first read of the settings.
  statusItemController().install();
  hotkeyController().install();
  // Another program may hold the shortcut already.
  showShortcut();
  updateChecker().check(updateHandler());
}

void LauncherDelegate::applicationWillTerminate() {
  if (hotkeyController_) {
    hotkeyController_->uninstall();
  }
}

void LauncherDelegate::toggleTargetApp() {
  targetAppController().toggleTargetApp(services_.bundle.bundleIdentifier());
}

void LauncherDelegate::quitLauncher() {
  targetAppController().terminateTargetApp();
  unloadLaunchAgentForManualQuit();
  services_.application->terminate();
}

void LauncherDelegate::openSettings() {
  settingsWindowController().show(settings(),
                                  lastCheckFailure_ && !updateResult_
                                      ? UpdateCheckOutcome(std::unexpected(*lastCheckFailure_))
                                      : UpdateCheckOutcome(updateResult_));
}

std::optional<std::string> LauncherDelegate::saveSettings(const LauncherSettings& newSettings) {
  const LauncherSettings previous = settings();
  const bool shortcutChanged = newSettings.shortcut != previous.shortcut;
  const bool startupChanged = newSettings.startAtLogin != previous.startAtLogin;

  if (shortcutChanged && !isValidHotkey(newSettings.shortcut)) {
    return "Shortcut format is invalid. Example: command+option+b";
  }
  // A shortcut the system refused before (another program held it) is tried again, so that Apply
  // never reports a shortcut that does not work.
  if ((shortcutChanged || !isShortcutRegistered()) &&
      !hotkeyController().updateHotkeys({newSettings.shortcut})) {
    // The refusal has dropped the previous registration too: without this the user would be left
    // with no working shortcut while the settings still name the old one.
    if (shortcutChanged) {
      hotkeyController().updateHotkeys({previous.shortcut});
    }
    showShortcut();
    return "Shortcut could not be registered. It may be reserved or already in use.";
  }

  auto rollBack = [&](const platform::Error& error) -> std::optional<std::string> {
    if (shortcutChanged) {
      hotkeyController().updateHotkeys({previous.shortcut});
    }
    // The agent follows the settings the user sees: what this Apply wrote, or half wrote, goes.
    if (startupChanged) {
      [[maybe_unused]] const platform::Result<void> restored =
          startupManager_.setEnabled(previous.startAtLogin);
    }
    settings_ = previous;
    showShortcut();
    return error.localizedDescription;
  };

  if (startupChanged) {
    if (const platform::Result<void> changed = startupManager_.setEnabled(newSettings.startAtLogin);
        !changed) {
      return rollBack(changed.error());
    }
  }
  settings_ = LauncherSettings{
      .shortcut = newSettings.shortcut,
      .startAtLogin = newSettings.startAtLogin,
      .language = newSettings.language,
      .coverMonitor = newSettings.coverMonitor.value_or("primary"),
  };
  if (const platform::Result<void> saved = settingsStore_.save(*settings_); !saved) {
    return rollBack(saved.error());
  }
  showShortcut();
  return std::nullopt;
}

bool LauncherDelegate::isShortcutRegistered() {
  return hotkeyController().registeredKeyCount() > 0;
}

void LauncherDelegate::checkForUpdatesManually(UpdateChecker::Completion completion) {
  updateChecker().check([handler = updateHandler(),
                         completion = std::move(completion)](const UpdateCheckOutcome& outcome) {
    handler(outcome);
    completion(outcome);
  });
}

void LauncherDelegate::openDownloadPage() {
  const std::optional<platform::Url> url =
      platform::Url::parse(serviceAddress(config_.apiOrigin, "/download"));
  if (!url) {
    return;
  }
  // Whether the browser took it is not observed.
  [[maybe_unused]] const bool opened =
      platform::Workspace(*services_.applications).open(url->absoluteString());
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
        config_, *services_.applications, *services_.files, services_.bundle, *services_.processes,
        services_.paths, services_.application->loop());
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

SettingsWindowController& LauncherDelegate::settingsWindowController() {
  if (!settingsWindowController_) {
    // The window lives inside the delegate, so saving may refer to the delegate directly.
    settingsWindowController_ = std::make_shared<SettingsWindowController>(
        [this](const LauncherSettings& newSettings) { return saveSettings(newSettings); },
        weakCallback(&LauncherDelegate::openDownloadPage),
        [weak = weak_from_this()](UpdateChecker::Completion completion) {
          if (const std::shared_ptr<LauncherDelegate> delegate = weak.lock()) {
            delegate->checkForUpdatesManually(std::move(completion));
          } else {
            completion(std::nullopt);
          }
        },
        [this] { return isShortcutRegistered(); }, *services_.application,
        *services_.screensAndLanguages);
  }
  return *settingsWindowController_;
}

bool LauncherDelegate::anotherLauncherRunsAlready() const {
  const std::optional<std::string>& identifier = services_.bundle.bundleIdentifier();
  if (!identifier) {
    return false;
  }
  // The desktop lists applications in launch order: the first launcher is the one that stays.
  const std::vector<platform::RunningApplication> launchers =
      platform::RunningApplication::runningApplications(*identifier, *services_.applications);
  return !launchers.empty() &&
         launchers.front().processIdentifier() != services_.application->identity().pid;
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
      {"bootout", suite::guiDomain(services_.process->realUserId()), agent.string()});
}

void LauncherDelegate::showShortcut() {
  statusItemController().updateShortcut(settings().shortcut, isShortcutRegistered());
}

UpdateChecker::Completion LauncherDelegate::updateHandler() {
  return [weak = weak_from_this()](const UpdateCheckOutcome& outcome) {
    if (const std::shared_ptr<LauncherDelegate> delegate = weak.lock()) {
      delegate->handleUpdateResult(outcome);
    }
  };
}

void LauncherDelegate::handleUpdateResult(const UpdateCheckOutcome& outcome) {
  // A check that found nothing, or could not ask, never hides an update found earlier.
  lastCheckFailure_ = outcome ? std::nullopt : std::optional(outcome.error());
  if (!outcome || !*outcome) {
    return;
  }
  updateResult_ = *outcome;
  statusItemController().showUpdateAvailable(**outcome);
}

std::function<void()> LauncherDelegate::weakCallback(void (LauncherDelegate::*action)()) {
  return [weak = weak_from_this(), action] {
    if (const std::shared_ptr<LauncherDelegate> delegate = weak.lock()) {
      ((*delegate).*action)();
    }
  };
}

}  // namespace launcher
