#include "StatusItemController.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "UpdateChecker.h"
#include "platform/Application.h"
#include "platform/EmulatedDesktop.h"
#include "platform/EventLoop.h"
#include "platform/GlobalQueue.h"
#include "platform/UserNotifications.h"

namespace {

using namespace std::chrono_literals;
using launcher::StatusItemController;
using launcher::VersionCheckResult;

// The menu bar as the desktop renders it, with the shortcut "command+option+b" and no update.
constexpr std::string_view plainScreen = R"(Status items:
  com.quorrel.launcher: image bolt.circle.fill (template), title " ", tool tip "Ferrolin Launcher"
    Ferrolin Launcher  (disabled)
    ---
    Toggle Ferrolin
    ---
    Hotkey: Command + Option + B  (disabled)
    ---
    Settings  command+,
    ---
    Quit Launcher  command+q
Windows:
Alerts:
Notifications:
)";

// The text with its first `from` replaced by `to`.
std::string replaced(std::string_view text, std::string_view from, std::string_view to) {
  std::string result(text);
  result.replace(result.find(from), from.size(), to);
  return result;
}

// The screen once an update is shown: the tool tip, two entries and a separator after the title,
// and the notification when the user allows it.
std::string screenWithUpdate(const std::string& message, bool notified) {
  std::string screen =
      replaced(plainScreen, R"(tool tip "Ferrolin Launcher")", "tool tip \"" + message + "\"");
  screen = replaced(
      screen, "(disabled)\n    ---\n",
      "(disabled)\n    ---\n    " + message + "  (disabled)\n    Download Update\n    ---\n");
  if (notified) {
    screen += R"(  ferrolin-update-available: "Ferrolin update available" ")" + message + "\"\n";
  }
  return screen;
}

class StatusItemControllerTest : public testing::Test {
 protected:
  StatusItemControllerTest() { application.finishLaunching(); }

  // The screen once every pending step has finished: the desktop's requests on the loop, the
  // authorisation completion on the background queue and the notification it posts.
  std::string screen() {
    loop.runUntilIdle();
    bool settled = false;
    completions.async([&] { loop.async([&] { settled = true; }); });
    EXPECT_TRUE(loop.runUntil([&] { return settled; }, 10s));
    loop.runUntilIdle();
    return desktop.renderText();
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
  std::vector<std::string> calls;
  StatusItemController controller{"command+option+b",
                                  [this] { calls.emplace_back("toggle"); },
                                  [this] { calls.emplace_back("settings"); },
                                  [this] { calls.emplace_back("download"); },
                                  [this] { calls.emplace_back("quit"); },
                                  application,
                                  notifications};
};

TEST_F(StatusItemControllerTest, InstallPutsTheIconAndTheMenuInTheMenuBar) {
  EXPECT_EQ(screen(), "Status items:\nWindows:\nAlerts:\nNotifications:\n");
  controller.install();
  EXPECT_EQ(screen(), plainScreen);
  EXPECT_EQ(controller.statusItem()->button()->imagePosition(), 7);
}

TEST_F(StatusItemControllerTest, ALaterUpdateTakesTheEarlierOnesPlaceEverywhere) {
  controller.install();
  controller.showUpdateAvailable(VersionCheckResult{"1.4.0", "1.3.2"});
  EXPECT_EQ(screen(), screenWithUpdate("Update available: 1.4.0 (installed 1.3.2)", true));

  controller.showUpdateAvailable(VersionCheckResult{"1.5.0", "1.3.2"});
  EXPECT_EQ(screen(), screenWithUpdate("Update available: 1.5.0 (installed 1.3.2)", true));
  EXPECT_EQ(controller.statusItem()->button()->imagePosition(), 7);
}

TEST_F(StatusItemControllerTest, RefusedNotificationsLeaveTheUpdateInTheMenuAndToolTip) {
  desktop.setNotificationsAuthorized(false);
  controller.install();
  controller.showUpdateAvailable(VersionCheckResult{"1.4.0", "1.3.2"});
  EXPECT_EQ(screen(), screenWithUpdate("Update available: 1.4.0 (installed 1.3.2)", false));
}

TEST_F(StatusItemControllerTest, ANewShortcutChangesOnlyTheHotkeyLine) {
  controller.install();
  controller.updateShortcut("ctrl+shift+space");
  EXPECT_EQ(screen(), replaced(plainScreen, "Command + Option + B", "Control + Shift + SPACE"));
  controller.updateShortcut("command+option+b");
  EXPECT_EQ(screen(), plainScreen);
  EXPECT_TRUE(calls.empty());
}

TEST_F(StatusItemControllerTest, EachCommandCallsItsOneCallbackAndInformationCannotBeChosen) {
  controller.install();
  controller.showUpdateAvailable(VersionCheckResult{"1.4.0", "1.3.2"});
  screen();

  for (const char* title : {"Toggle Ferrolin", "Settings", "Download Update", "Quit Launcher"}) {
    EXPECT_TRUE(desktop.chooseMenuItem(title)) << title;
    loop.runUntilIdle();
  }
  for (const char* title : {"Ferrolin Launcher", "Update available: 1.4.0 (installed 1.3.2)",
                            "Hotkey: Command + Option + B"}) {
    EXPECT_FALSE(desktop.chooseMenuItem(title)) << title;
  }
  loop.runUntilIdle();
  EXPECT_EQ(calls, (std::vector<std::string>{"toggle", "settings", "download", "quit"}));
}

}  // namespace
