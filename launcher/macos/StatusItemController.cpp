#include "StatusItemController.h"

#include <optional>
#include <string>
#include <utility>

#include "ShortcutGrammar.h"
#include "platform/Error.h"
#include "platform/Image.h"

namespace launcher {
namespace {

constexpr const char* productTitle = "Ferrolin Launcher";
constexpr const char* iconSymbol = "bolt.circle.fill";
constexpr const char* notificationTitle = "Ferrolin update available";
// The button's title next to its icon: a blank, so the icon keeps its place in the menu bar.
constexpr const char* buttonTitle = " ";
// The platform's raw value for "image leading".
constexpr int imageLeading = 7;

// A line that only informs: no action, and shown disabled so it cannot be chosen.
void addInformation(platform::Menu& menu, std::string title) {
  menu.addItem(std::move(title), {}, "").setEnabled(false);
}

void addSeparator(platform::Menu& menu) {
  menu.addItem(platform::MenuItem::separator());
}

}  // namespace

StatusItemController::StatusItemController(
    std::string initialShortcut, std::function<void()> onToggle, std::function<void()> onSettings,
    std::function<void()> onOpenDownload, std::function<void()> onQuit,
    platform::Application& application, platform::UserNotificationCenter& notifications)
    : onToggle_(std::move(onToggle)),
      onSettings_(std::move(onSettings)),
      onQuit_(std::move(onQuit)),
      onOpenDownload_(std::move(onOpenDownload)),
      currentShortcut_(std::move(initialShortcut)),
      application_(&application),
      notifications_(&notifications) {}

void StatusItemController::install() {
  statusItem_ =
      platform::StatusBar::system(*application_).statusItem(platform::StatusItem::variableLength);
  if (platform::StatusBarButton* button = statusItem_->button(); button != nullptr) {
    if (auto image = platform::Image::systemSymbol(iconSymbol, productTitle); image != nullptr) {
      image->setTemplate(true);
      button->setImage(std::move(image));
    }
    button->setTitle(buttonTitle);
    button->setImagePosition(imageLeading);
    button->setToolTip(productTitle);
  }
  statusItem_->setMenu(buildMenu());
}

void StatusItemController::updateShortcut(std::string shortcut, bool registered) {
  currentShortcut_ = std::move(shortcut);
  shortcutRegistered_ = registered;
  if (statusItem_ != nullptr) {
    statusItem_->setMenu(buildMenu());
  }
}

void StatusItemController::showUpdateAvailable(const VersionCheckResult& result) {
  updateResult_ = result;
  const std::string message = result.message();
  if (statusItem_ != nullptr) {
    if (platform::StatusBarButton* button = statusItem_->button(); button != nullptr) {
      button->setTitle(buttonTitle);
      button->setImagePosition(imageLeading);
      button->setToolTip(message);
    }
    statusItem_->setMenu(buildMenu());
  }
  deliverUpdateNotification(message);
}

void StatusItemController::toggleQuorrel() const {
  onToggle_();
}

void StatusItemController::openSettings() const {
  onSettings_();
}

void StatusItemController::openDownloadPage() const {
  onOpenDownload_();
}

void StatusItemController::quitLauncher() const {
  onQuit_();
}

std::shared_ptr<platform::Menu> StatusItemController::buildMenu() const {
  auto menu = std::make_shared<platform::Menu>();
  addInformation(*menu, productTitle);
  addSeparator(*menu);
  if (updateResult_) {
    addInformation(*menu, updateResult_->message());
    menu->addItem(
        "Download Update", [this] { openDownloadPage(); }, "");
    addSeparator(*menu);
  }
  menu->addItem(
      "Toggle Ferrolin", [this] { toggleQuorrel(); }, "");
  addSeparator(*menu);
  addInformation(*menu, "Hotkey: " + prettyHotkey(currentShortcut_) +
                            (shortcutRegistered_ ? "" : " (could not be registered)"));
  addSeparator(*menu);
  menu->addItem(
      "Settings", [this] { openSettings(); }, ",");
  addSeparator(*menu);
  menu->addItem(
      "Quit Launcher", [this] { quitLauncher(); }, "q");
  return menu;
}

void StatusItemController::deliverUpdateNotification(const std::string& message) const {
  // The completion runs on a background queue: it keeps to the centre and its own copy of the
  // text, and never touches the controller.
  platform::UserNotificationCenter* center = notifications_;
  center->requestAuthorization(
      platform::AuthorizationOptions::alert | platform::AuthorizationOptions::sound,
      [center, message](bool granted, const std::optional<platform::Error>& error) {
        if (!granted || error) {
          return;
        }
        center->add(platform::NotificationRequest{
            notificationIdentifier,
            {notificationTitle, message, platform::NotificationSound::defaultSound}});
      });
}

}  // namespace launcher
