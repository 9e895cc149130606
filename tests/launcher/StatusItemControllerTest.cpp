#include "StatusItemController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "UpdateChecker.h"
#include "platform/Application.h"
#include "platform/DesktopConnection.h"
#include "platform/EmulatedDesktop.h"
#include "platform/EventLoop.h"
#include "platform/GlobalQueue.h"
#include "platform/UserNotifications.h"

namespace {

using namespace std::chrono_literals;
using launcher::StatusItemController;
using launcher::VersionCheckResult;
using Lines = std::vector<std::string>;

const VersionCheckResult firstUpdate{"1.4.0", "1.3.2"};
const VersionCheckResult secondUpdate{"1.5.0", "1.3.2"};
constexpr const char* firstUpdateLine = "Update available: 1.4.0 (installed 1.3.2)";
constexpr const char* secondUpdateLine = "Update available: 1.5.0 (installed 1.3.2)";

// The menu without an update, for the shortcut "command+option+b".
const Lines plainMenu{
    "Ferrolin Launcher (disabled) (no action)",
    "---",
    "Toggle Ferrolin",
    "---",
    "Hotkey: Command + Option + B (disabled) (no action)",
    "---",
    "Settings [command+,]",
    "---",
    "Quit Launcher [command+q]",
};

// The same menu with an update line and its command after the title.
Lines menuWithUpdate(const std::string& updateLine) {
  Lines lines = plainMenu;
  lines.insert(lines.begin() + 2,
               {updateLine + " (disabled) (no action)", "Download Update", "---"});
  return lines;
}

platform::NotificationRecord updateNotification(const std::string& body) {
  return {"ferrolin-update-available", "Ferrolin update available", body, true};
}

class StatusItemControllerTest : public testing::Test {
 protected:
  StatusItemControllerTest() { application.finishLaunching(); }

  // The launcher's status items as the desktop shows them.
  nlohmann::json shownItems() const { return desktop.describeScreen()["statusItems"]; }

  nlohmann::json shownItem() const {
    const nlohmann::json items = shownItems();
    return items.size() == 1 ? items[0] : nlohmann::json();
  }

  // The shown menu, one line per entry: title, [modifiers+key], then whether it is disabled and
  // whether it has no action.
  Lines shownMenu() const {
    Lines lines;
    for (const nlohmann::json& entry : shownItem().value("menu", nlohmann::json::array())) {
      if (entry.value("separator", false)) {
        lines.emplace_back("---");
        continue;
      }
      std::string line = entry.value("title", "");
      if (const std::string key = entry.value("keyEquivalent", ""); !key.empty()) {
        line += " [";
        for (const nlohmann::json& modifier : entry["modifiers"]) {
          line += modifier.get<std::string>();
          line += "+";
        }
        line += key;
        line += "]";
      }
      line += entry.value("enabled", true) ? "" : " (disabled)";
      line += entry.value("action", false) ? "" : " (no action)";
      lines.push_back(line);
    }
    return lines;
  }

  // Lets every pending step finish: the desktop's requests on the loop, the authorisation
  // completion on the background queue and the notification it posts.
  void settle() {
    loop.runUntilIdle();
    const int target = ++settleRequests;
    completions.async([this, target] { loop.async([this, target] { settled = target; }); });
    ASSERT_TRUE(loop.runUntil([&] { return settled == target; }, 10s));
    loop.runUntilIdle();
  }

  platform::EmulatedDesktop desktop;
  platform::EventLoop loop;
  std::unique_ptr<platform::DesktopConnection> connection = desktop.connect(loop);
  platform::Application application{
      *connection, loop,
      platform::ApplicationIdentity{7101, "com.quorrel.launcher", std::nullopt, std::nullopt}};
  // One thread, so a block queued after the authorisation completion runs after it.
  platform::GlobalQueue completions{1};
  platform::UserNotificationCenter notifications{*connection, loop, completions};
  int settleRequests = 0;
  int settled = 0;
  Lines calls;
  StatusItemController controller{"command+option+b",
                                  [this] { calls.emplace_back("toggle"); },
                                  [this] { calls.emplace_back("settings"); },
                                  [this] { calls.emplace_back("download"); },
                                  [this] { calls.emplace_back("quit"); },
                                  application,
                                  notifications};
};

TEST_F(StatusItemControllerTest, InstallShowsTheIconAndTheMenu) {
  settle();
  EXPECT_TRUE(shownItems().empty()) << "creation shows nothing";
  EXPECT_EQ(controller.statusItem(), nullptr);

  controller.install();
  settle();

  const nlohmann::json item = shownItem();
  ASSERT_TRUE(item.is_object()) << desktop.renderText();
  EXPECT_EQ(item["length"], -1);
  EXPECT_EQ(item["image"], (nlohmann::json{{"symbol", "bolt.circle.fill"},
                                           {"accessibilityDescription", "Ferrolin Launcher"},
                                           {"template", true}}));
  EXPECT_EQ(item["title"], " ");
  EXPECT_EQ(item["imagePosition"], 7);
  EXPECT_EQ(item["toolTip"], "Ferrolin Launcher");
  EXPECT_EQ(shownMenu(), plainMenu);
  EXPECT_TRUE(desktop.notifications().empty());
}

TEST_F(StatusItemControllerTest, AnUpdateShowsInTheMenuTheToolTipAndOneNotification) {
  controller.install();
  settle();
  const nlohmann::json icon = shownItem()["image"];

  controller.showUpdateAvailable(firstUpdate);
  settle();
  EXPECT_EQ(shownMenu(), menuWithUpdate(firstUpdateLine));
  EXPECT_EQ(shownItem()["toolTip"], firstUpdateLine);
  EXPECT_EQ(shownItem()["title"], " ");
  EXPECT_EQ(shownItem()["imagePosition"], 7);
  EXPECT_EQ(shownItem()["image"], icon);
  EXPECT_EQ(desktop.notifications(),
            std::vector<platform::NotificationRecord>{updateNotification(firstUpdateLine)});

  // A second update takes the first one's place everywhere.
  controller.showUpdateAvailable(secondUpdate);
  settle();
  EXPECT_EQ(shownMenu(), menuWithUpdate(secondUpdateLine));
  EXPECT_EQ(shownItem()["toolTip"], secondUpdateLine);
  EXPECT_EQ(desktop.notifications(),
            std::vector<platform::NotificationRecord>{updateNotification(secondUpdateLine)});
  EXPECT_EQ(controller.updateResult(), secondUpdate);
}

TEST_F(StatusItemControllerTest, RefusedNotificationsStillLeaveTheUpdateInTheMenuAndToolTip) {
  desktop.setNotificationsAuthorized(false);
  controller.install();

  controller.showUpdateAvailable(firstUpdate);
  settle();

  EXPECT_EQ(shownMenu(), menuWithUpdate(firstUpdateLine));
  EXPECT_EQ(shownItem()["toolTip"], firstUpdateLine);
  EXPECT_TRUE(desktop.notifications().empty());
  EXPECT_TRUE(std::ranges::none_of(desktop.journal(), [](const platform::JournalEntry& entry) {
    return entry.kind == platform::JournalEntry::Kind::notificationDelivered;
  }));
}

TEST_F(StatusItemControllerTest, ANewShortcutChangesOnlyTheHotkeyLine) {
  controller.install();
  settle();
  const nlohmann::json before = shownItem();

  const std::vector<std::pair<std::string, std::string>> cases{
      {"ctrl+shift+space", "Hotkey: Control + Shift + SPACE"},
      {"command+option+b", "Hotkey: Command + Option + B"},
  };
  for (const auto& [shortcut, line] : cases) {
    controller.updateShortcut(shortcut);
    settle();
    Lines expected = plainMenu;
    expected[4] = line + " (disabled) (no action)";
    EXPECT_EQ(shownMenu(), expected) << shortcut;
    EXPECT_EQ(controller.currentShortcut(), shortcut);
  }
  EXPECT_EQ(shownItem(), before);
  EXPECT_TRUE(calls.empty());
}

TEST_F(StatusItemControllerTest, EachCommandCallsItsOneCallbackAndInformationCannotBeChosen) {
  controller.install();
  controller.showUpdateAvailable(firstUpdate);
  settle();

  const std::vector<std::pair<std::string, std::string>> commands{
      {"Toggle Ferrolin", "toggle"},
      {"Settings", "settings"},
      {"Download Update", "download"},
      {"Quit Launcher", "quit"},
  };
  Lines expected;
  for (const auto& [title, callback] : commands) {
    ASSERT_TRUE(desktop.chooseMenuItem(title)) << title;
    loop.runUntilIdle();
    expected.push_back(callback);
    EXPECT_EQ(calls, expected) << title;
  }

  for (const char* title : {"Ferrolin Launcher", firstUpdateLine, "Hotkey: Command + Option + B"}) {
    EXPECT_FALSE(desktop.chooseMenuItem(title)) << title;
  }
  loop.runUntilIdle();
  EXPECT_EQ(calls, expected);
}

}  // namespace
