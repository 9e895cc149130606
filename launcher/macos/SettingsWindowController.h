#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CoverMonitorOption.h"
#include "LauncherSettings.h"
#include "LocalizedStrings.h"
#include "ShortcutCaptureView.h"
#include "UpdateChecker.h"
#include "platform/Application.h"
#include "platform/Button.h"
#include "platform/Label.h"
#include "platform/PopUpButton.h"
#include "platform/ScreensAndLanguages.h"
#include "platform/View.h"
#include "platform/Window.h"
#include "platform/WorkItem.h"

namespace launcher {

// The launcher's settings window, in every language: the shortcut field (with a line when the
// system has not registered the shortcut in force), start at login, the
// window's language, the cover monitor, the update status with a manual check, and Apply. It holds
// no settings of its own: show() fills it from the settings it is handed, and Apply hands the
// user's choices to onSave. The window is built on the first show() and kept. Main thread only.
//
// Make it with std::make_shared: the callbacks it hands out (to its controls, the update check and
// the toast's timer) reach it through weak_from_this() and do nothing once it is gone.
class SettingsWindowController : public std::enable_shared_from_this<SettingsWindowController> {
 public:
  // Applies settings: nothing on success, otherwise the message to show.
  using SaveHandler = std::function<std::optional<std::string>(const LauncherSettings&)>;
  // Runs a manual update check and calls the completion once, on the main thread.
  using CheckHandler = std::function<void(UpdateChecker::Completion)>;

  // Stores the callbacks and makes the controls; builds no window. isShortcutRegistered tells
  // whether the system has registered the shortcut in force, asked at every show and Apply.
  // application: where the window is shown and the toast's timers run; screens: the attached
  // screens the display pop-up offers.
  SettingsWindowController(SaveHandler onSave, std::function<void()> onOpenDownload,
                           CheckHandler onCheckForUpdates,
                           std::function<bool()> isShortcutRegistered,
                           platform::Application& application,
                           platform::ScreensAndLanguages& screens);
  SettingsWindowController(const SettingsWindowController&) = delete;
  SettingsWindowController& operator=(const SettingsWindowController&) = delete;
  SettingsWindowController(SettingsWindowController&&) = delete;
  SettingsWindowController& operator=(SettingsWindowController&&) = delete;
  ~SettingsWindowController() = default;

  // Fills the window from the settings and what the update checks learned (building it the first
  // time): an update found, none newer, or an error when the checks could not ask and no update is
  // known. Centres it, makes it key and activates the application.
  void show(const LauncherSettings& settings, const UpdateCheckOutcome& updateResult);

  // The controls' actions: Apply (or Return), Check Now, the download button, a language chosen.
  void saveSettings();
  void checkForUpdates();
  void openDownload();
  void languageSelectionChanged();

  // The window, once the first show() has built it.
  const platform::Window* window() const { return window_.get(); }

 private:
  void buildWindow();
  static std::shared_ptr<platform::View> makeSection(platform::Rect frame);
  void applyLocalizedStrings();
  void layoutPreferencesSection();
  void layoutUpdateSection();
  // The status line and the download button for the last result known: an update, up to date, or
  // that the check could not ask.
  void showUpdateResult(const UpdateCheckOutcome& result);
  // Shows or hides the download button; shown, it shares the Check button's row.
  void setDownloadButtonShown(bool shown);
  // Shows the message whole, wrapped over as many lines as it needs, for as long as it takes to
  // read; an absent or empty one hides the toast.
  void showToast(const std::optional<std::string>& message, bool success);
  void hideToast();
  // Grows the window by `room` over its built size, the toast's lines below everything else.
  void makeRoomForToast(double room);
  void fadeOutToast(std::uint64_t serial);

  std::vector<CoverMonitorOption> buildCoverMonitorOptions(std::string_view languageCode) const;
  void fillCoverMonitorPopup(std::string_view languageCode, std::string_view selectedValue);
  std::string selectedLanguageCode() const;
  std::string selectedCoverMonitorCode() const;

  // An action that calls `action` on the controller while it exists.
  platform::Control::Action weakAction(void (SettingsWindowController::*action)());

  platform::Application& application_;
  platform::ScreensAndLanguages& screens_;
  std::unique_ptr<platform::Window> window_;
  SaveHandler onSave_;
  std::function<void()> onOpenDownload_;
  CheckHandler onCheckForUpdates_;
  std::function<bool()> isShortcutRegistered_;
  std::shared_ptr<ShortcutCaptureView> shortcutCapture_;
  std::shared_ptr<platform::Button> startupCheckbox_;
  std::shared_ptr<platform::PopUpButton> languagePopup_;
  std::shared_ptr<platform::PopUpButton> coverMonitorPopup_;
  std::shared_ptr<platform::Label> updateLabel_;
  std::shared_ptr<platform::Button> applyButton_;
  std::shared_ptr<platform::Button> openDownloadButton_;
  std::shared_ptr<platform::Button> checkUpdatesButton_;
  std::shared_ptr<platform::Label> toastLabel_;
  std::shared_ptr<platform::Label> titleLabel_;
  std::shared_ptr<platform::Label> shortcutLabel_;
  std::shared_ptr<platform::Label> shortcutStateLabel_;
  std::shared_ptr<platform::Label> languageLabel_;
  std::shared_ptr<platform::Label> coverMonitorLabel_;
  std::shared_ptr<platform::Label> updateTitleLabel_;
  std::shared_ptr<platform::View> shortcutSection_;
  std::shared_ptr<platform::View> preferencesSection_;
  std::shared_ptr<platform::View> updateSection_;
  UpdateCheckOutcome shownUpdate_{std::nullopt};
  std::shared_ptr<platform::WorkItem> toastResetWorkItem_;
  // Counts the toast's messages, so that a fade-out still running for an earlier one leaves a
  // newer message shown.
  std::uint64_t toastSerial_ = 0;
  // How much taller than built the window is, to hold the toast's lines.
  double toastRoom_ = 0;
  std::string capturedShortcut_;
  std::vector<CoverMonitorOption> coverMonitorOptions_;
  LocalizedStrings currentStrings_;
};

}  // namespace launcher
