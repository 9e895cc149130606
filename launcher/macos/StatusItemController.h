#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "UpdateChecker.h"
#include "platform/Application.h"
#include "platform/Menu.h"
#include "platform/StatusItem.h"
#include "platform/UserNotifications.h"

namespace launcher {

// The launcher's icon in the menu bar and its menu: a title line, "Toggle Ferrolin", the current
// shortcut (marked when the system has not registered it), "Settings", "Quit Launcher", and once an
// update is known its message and "Download Update". Every command calls one of the callbacks it
// was made with and nothing else. The menu is rebuilt whole on every change. Main thread only.
class StatusItemController {
 public:
  static constexpr const char* notificationIdentifier = "ferrolin-update-available";

  // Stores the values; shows nothing until install(). application: the menu bar the item goes to;
  // notifications: where update notifications are posted.
  StatusItemController(std::string initialShortcut, std::function<void()> onToggle,
                       std::function<void()> onSettings, std::function<void()> onOpenDownload,
                       std::function<void()> onQuit, platform::Application& application,
                       platform::UserNotificationCenter& notifications);
  // The menu's actions refer to the controller: it stays where it was made.
  StatusItemController(const StatusItemController&) = delete;
  StatusItemController& operator=(const StatusItemController&) = delete;
  StatusItemController(StatusItemController&&) = delete;
  StatusItemController& operator=(StatusItemController&&) = delete;
  ~StatusItemController() = default;

  // Puts the item in the menu bar with its icon, title, tool tip and menu. Called once.
  void install();
  // Shows a new shortcut in the menu, and whether the system registered it.
  void updateShortcut(std::string shortcut, bool registered);
  // Records the update and shows it in the tool tip and the menu, then posts a notification about
  // it when the user allows notifications.
  void showUpdateAvailable(const VersionCheckResult& result);

  // The menu's commands.
  void toggleQuorrel() const;
  void openSettings() const;
  void openDownloadPage() const;
  void quitLauncher() const;

  // A new menu for the current shortcut and update.
  std::shared_ptr<platform::Menu> buildMenu() const;

  const std::shared_ptr<platform::StatusItem>& statusItem() const { return statusItem_; }
  const std::optional<VersionCheckResult>& updateResult() const { return updateResult_; }
  const std::string& currentShortcut() const { return currentShortcut_; }

 private:
  void deliverUpdateNotification(const std::string& message) const;

  std::function<void()> onToggle_;
  std::function<void()> onSettings_;
  std::function<void()> onQuit_;
  std::function<void()> onOpenDownload_;
  std::shared_ptr<platform::StatusItem> statusItem_;
  std::optional<VersionCheckResult> updateResult_;
  std::string currentShortcut_;
  bool shortcutRegistered_ = true;
  platform::Application* application_;               // not owned
  platform::UserNotificationCenter* notifications_;  // not owned
};

}  // namespace launcher
