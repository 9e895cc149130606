#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "HotkeyController.h"
#include "LauncherConfig.h"
#include "LauncherServices.h"
#include "LauncherSettings.h"
#include "LauncherSettingsStore.h"
#include "SettingsWindowController.h"
#include "StartupManager.h"
#include "StatusItemController.h"
#include "TargetAppController.h"
#include "UpdateChecker.h"
#include "platform/Application.h"

namespace launcher {

// The launcher's application delegate. It loads the configuration, owns every component of the
// launcher and makes each on first use, wiring the components' callbacks to its own operations
// through weak references. At launch it becomes an accessory application, puts its item in the
// menu bar, registers the global shortcut and checks once for an update; a launcher started while
// another one runs terminates at once instead. Main thread only.
//
// Make it with std::make_shared: the callbacks it hands out reach it through weak_from_this().
// NOLINTNEXTLINE(misc-multiple-inheritance): the delegate interface, and weak_from_this()
class LauncherDelegate : public platform::ApplicationDelegate,
                         public std::enable_shared_from_this<LauncherDelegate> {
 public:
  // Loads the configuration; reads no settings and creates no component yet.
  explicit LauncherDelegate(LauncherServices services);
  LauncherDelegate(const LauncherDelegate&) = delete;
  LauncherDelegate& operator=(const LauncherDelegate&) = delete;
  LauncherDelegate(LauncherDelegate&&) = delete;
  LauncherDelegate& operator=(LauncherDelegate&&) = delete;
  ~LauncherDelegate() override = default;

  void applicationDidFinishLaunching() override;
  void applicationWillTerminate() override;

  // Shows or hides the target application, starting it when it is not running.
  void toggleTargetApp();
  // Quits the target application, boots the launch agent out of the session (its file stays) and
  // terminates the launcher.
  void quitLauncher();
  // Shows the settings window with the current settings and the last update found.
  void openSettings();
  // Applies settings from the settings window: a changed shortcut, or one the system has not
  // registered, is checked and registered, a changed start at login is set, and the settings are
  // stored and shown in the menu. Nothing on success; otherwise the message for the user, with the
  // previous shortcut registered again, start at login set back and the previous settings kept.
  std::optional<std::string> saveSettings(const LauncherSettings& newSettings);
  // Checks for an update now; a found one is kept and shown in the menu bar. The completion gets
  // the outcome as the check delivered it.
  void checkForUpdatesManually(UpdateChecker::Completion completion);
  // Opens "<origin>/download" in the default browser.
  void openDownloadPage();

  // Whether the system has registered the shortcut in force.
  bool isShortcutRegistered();

  const LauncherConfig& config() const { return config_; }
  // The current settings, loaded on first read.
  const LauncherSettings& settings();
  // The newest update any check found in this run.
  const std::optional<VersionCheckResult>& updateResult() const { return updateResult_; }

  // The components, each made on first read.
  TargetAppController& targetAppController();
  HotkeyController& hotkeyController();
  StatusItemController& statusItemController();
  UpdateChecker& updateChecker();
  SettingsWindowController& settingsWindowController();

 private:
  // Whether a launcher of the same bundle started before this one and still runs.
  bool anotherLauncherRunsAlready() const;
  // Runs "/bin/launchctl bootout" for the agent when its file exists, without waiting.
  void unloadLaunchAgentForManualQuit() const;
  // Shows the shortcut in force in the menu, marked when it is not registered.
  void showShortcut();
  // A completion for the update checker: keeps a found update and shows it in the menu bar.
  UpdateChecker::Completion updateHandler();
  void handleUpdateResult(const UpdateCheckOutcome& outcome);
  // A callback that calls `action` on the delegate while it exists.
  std::function<void()> weakCallback(void (LauncherDelegate::*action)());

  LauncherServices services_;
  const LauncherConfig config_;
  const StartupManager startupManager_;
  const LauncherSettingsStore settingsStore_;
  std::optional<LauncherSettings> settings_;
  std::unique_ptr<TargetAppController> targetAppController_;
  std::unique_ptr<HotkeyController> hotkeyController_;
  std::unique_ptr<StatusItemController> statusItemController_;
  std::unique_ptr<UpdateChecker> updateChecker_;
  std::shared_ptr<SettingsWindowController> settingsWindowController_;
  std::optional<VersionCheckResult> updateResult_;
  // Why the latest check learned nothing, while it did; the window then says so instead of "up to
  // date" when no update is known.
  std::optional<platform::Error> lastCheckFailure_;
};

}  // namespace launcher
