#include "LauncherDelegate.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "LauncherSettings.h"
#include "model/EmulatedDesktop.h"
#include "platform/Application.h"
#include "platform/CarbonEvents.h"
#include "platform/GlobalQueue.h"
#include "platform/HttpSession.h"
#include "platform/PollEventLoop.h"
#include "platform/UserNotifications.h"
#include "support/DesktopProgram.h"
#include "support/LocalHttpServer.h"
#include "support/TemporaryFolder.h"
#include "support/TestScripts.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Calls = std::vector<std::vector<std::string>>;
using Keys = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
using launcher::LauncherDelegate;
using testsupport::DesktopProgram;

constexpr pid_t launcherPid = 3100;
constexpr pid_t targetPid = 3200;

// The settings as the file holds them, or nothing when there is no file.
std::optional<launcher::LauncherSettings> storedSettings(const fs::path& file) {
  if (!fs::exists(file)) {
    return std::nullopt;
  }
  return launcher::LauncherSettings::decode(nlohmann::json::parse(testsupport::readFile(file)));
}

// The screen once the launcher, with the shortcut "command+option+b", has found version 1.2.0: its
// item in the menu bar with the update in the tool tip and the menu, and the notification.
constexpr std::string_view screenWithUpdate = R"x(Status items:
  com.quorrel.launcher: image bolt.circle.fill (template), title " ", tool tip "Update available: 1.2.0 (installed 1.0.0)"
    Ferrolin Launcher  (disabled)
    ---
    Update available: 1.2.0 (installed 1.0.0)  (disabled)
    Download Update
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
  ferrolin-update-available: "Ferrolin update available" "Update available: 1.2.0 (installed 1.0.0)"
)x";

// The launcher's delegate on an in-process emulated desktop, in a temporary home, with recording
// launchctl and open tools, and the product's web service played by a local server that publishes
// `publishedVersion`.
class LauncherDelegateTest : public testing::Test {
 protected:
  LauncherDelegateTest() {
    server.get("/api/app/latest-version", [this](const auto&, auto& response) {
      ++versionRequests;
      if (publishedVersion == "down") {
        response.status = 503;
        return;
      }
      response.set_content(R"({"version":")" + publishedVersion + R"("})", "application/json");
    });
    server.start();
    // Slashes around the origin must not change either address.
    testsupport::writeFile(configFile, R"({"targetAppName":"Ferrolin",)"
                                       R"("bundleIdentifier":"app.ferrolin.desktop",)"
                                       R"("currentVersion":"1.0.0","apiOrigin":")" +
                                           server.url("/") +
                                           R"(","hotkeys":["command+option+b"]})");
    testsupport::writeFile(launcherBundle / "Contents/Info.plist", R"(<?xml version="1.0"?>
<plist version="1.0"><dict>
<key>CFBundleIdentifier</key><string>com.quorrel.launcher</string>
<key>CFBundleExecutable</key><string>Ferrolin Launcher</string>
</dict></plist>)");
    fs::create_directories(folder / "tmp");
  }

  // Makes the delegate and launches it, then waits until the automatic update check has reached
  // the service.
  void launch() {
    start();
    loop.runUntil([&] { return versionRequests > 0; }, 30s);
  }

  // Checks the launcher in with the desktop, makes the delegate and tells it that launching has
  // finished.
  void start() {
    application.finishLaunching();
    delegate = std::make_shared<LauncherDelegate>(launcher::LauncherServices{
        .application = &application,
        .applications = connection.get(),
        .screensAndLanguages = connection.get(),
        .files = &files,
        .process = &process,
        .bundle =
            platform::Bundle::forExecutable(launcherBundle / "Contents/MacOS/Ferrolin Launcher"),
        .processes = &processes,
        .launchctlTimeLimit = 60s,
        .paths = paths,
        .hotKeyTarget = &hotKeyTarget,
        .http = &http,
        .notifications = &notifications,
    });
    application.setDelegate(delegate.get());
    delegate->applicationDidFinishLaunching();
    loop.runUntilIdle();
  }

  // The launcher's hot keys: key code and modifiers of each.
  Keys launcherKeys() const {
    Keys keys;
    for (const platform::HotKeyRegistration& key : desktop.hotKeys()) {
      if (key.signature == platform::fourCharCode("QRLL")) {
        keys.emplace_back(key.keyCode, key.modifiers);
      }
    }
    return keys;
  }

  // The screen once every pending step has finished: the desktop's requests on the loop, the
  // authorisation completion on the background queue and the notification it posts.
  std::string screen() {
    loop.runUntilIdle();
    bool settled = false;
    completions.async([&] { loop.async([&] { settled = true; }); });
    EXPECT_TRUE(loop.runUntil([&] { return settled; }, 30s));
    loop.runUntilIdle();
    return desktop.renderText();
  }
  bool shows(const std::string& text) { return screen().find(text) != std::string::npos; }

  // Another program takes the combination as a hot key of its own.
  platform::EventHotKeyRef holdElsewhere(std::uint32_t keyCode, std::uint32_t modifiers) {
    holder.emplace(desktop, loop, 3400, "org.example.holder");
    holderTarget.emplace(holder->application);
    platform::EventHotKeyRef taken = nullptr;
    EXPECT_EQ(platform::RegisterEventHotKey(keyCode, modifiers, {platform::fourCharCode("OTHR"), 1},
                                            &*holderTarget, 0, &taken),
              platform::noErr);
    return taken;
  }

  testsupport::TemporaryFolder folder;
  fs::path home = folder / "home";
  fs::path configFile = folder / "launcher-config.json";
  fs::path launcherBundle = home / "Applications/Ferrolin Launcher.app";
  fs::path settingsFile = home / "Library/Application Support/Ferrolin/launcher-settings.json";
  fs::path agentFile = home / "Library/LaunchAgents/com.quorrel.launcher.plist";
  testsupport::EmulatedTools tools = testsupport::writeEmulatedTools(folder / "desktop");
  platform::FileManager files{home, folder / "tmp"};
  platform::ProcessInfo process{{(launcherBundle / "Contents/MacOS/Ferrolin Launcher").string()},
                                {{"QUORREL_LAUNCHER_CONFIG", configFile.string()}},
                                ::getuid()};
  platform::SystemPaths paths{folder / "desktop"};
  platform::ProcessLauncher processes{paths, {}};

  std::string publishedVersion = "1.0.0";
  std::atomic<int> versionRequests = 0;
  testsupport::LocalHttpServer server;

  platform::EmulatedDesktop desktop;
  platform::PollEventLoop loop;
  std::unique_ptr<platform::DesktopConnection> connection = desktop.connect(loop);
  platform::Application application{
      *connection, *connection, *connection, loop,
      platform::ApplicationIdentity{launcherPid, "com.quorrel.launcher", std::nullopt,
                                    std::nullopt}};
  platform::EventTarget hotKeyTarget{application};
  // One thread, so a block queued after the authorisation completion runs after it.
  platform::GlobalQueue completions{1};
  platform::UserNotificationCenter notifications{*connection, loop, completions};
  platform::HttpSession http;
  std::optional<DesktopProgram> holder;
  std::optional<platform::EventTarget> holderTarget;
  std::shared_ptr<LauncherDelegate> delegate;
  launcher::LauncherSettings defaults{"command+option+b", false, "en", "primary"};
};

TEST_F(LauncherDelegateTest, AFirstStartShowsTheDefaultsAndWritesNothing) {
  launch();

  EXPECT_EQ(application.activationPolicy(), platform::ActivationPolicy::accessory);
  EXPECT_TRUE(shows("Hotkey: Command + Option + B  (disabled)"));
  ASSERT_EQ(desktop.hotKeys().size(), 1U);
  EXPECT_EQ(versionRequests, 1);
  EXPECT_FALSE(delegate->updateResult());
  EXPECT_FALSE(fs::exists(settingsFile));
  EXPECT_TRUE(testsupport::readRecordedCalls(tools.launchctlCalls).empty());
  EXPECT_EQ(delegate->settings(), defaults);
}

TEST_F(LauncherDelegateTest, ALauncherStartedWhileAnotherRunsLeavesAtOnceTouchingNothing) {
  const DesktopProgram earlier(desktop, loop, 3300, "com.quorrel.launcher");
  start();

  EXPECT_TRUE(application.isTerminated());
  EXPECT_TRUE(desktop.hotKeys().empty());
  EXPECT_EQ(desktop.renderText(), "Status items:\nWindows:\nAlerts:\nNotifications:\n");
  EXPECT_FALSE(loop.runUntil([&] { return versionRequests > 0; }, 200ms));
}

// The stored shortcut and the menu's toggle both reach the target application; quitting stops
// Ferrolin, frees the shortcut and boots the agent out of the session, keeping its file.
TEST_F(LauncherDelegateTest, TheStoredShortcutAndTheMenuToggleFerrolinAndQuitEndsIt) {
  testsupport::writeFile(
      settingsFile, R"({"shortcut":"control+shift+space","startAtLogin":false,"language":"de"})");
  testsupport::writeFile(agentFile, "agent");
  const std::vector<std::string> openFerrolin{(home / "Applications/Ferrolin.app").string(),
                                              "--args", "--quorrel-launch-fullscreen"};
  fs::create_directories(openFerrolin[0]);
  launch();
  EXPECT_TRUE(shows("Hotkey: Control + Shift + SPACE"));
  EXPECT_FALSE(desktop.press("command+option+b"));
  ASSERT_TRUE(desktop.press("control+shift+space"));
  loop.runUntilIdle();
  EXPECT_EQ(testsupport::awaitRecordedCalls(tools.openCalls, 1), Calls{openFerrolin});
  const DesktopProgram ferrolin(desktop, loop, targetPid, "app.ferrolin.desktop");
  ASSERT_TRUE(desktop.chooseMenuItem("Toggle Ferrolin"));
  EXPECT_FALSE(desktop.chooseMenuItem("Ferrolin Launcher")) << "an informing line is disabled";
  loop.runUntilIdle();
  EXPECT_TRUE(fs::exists(folder / "tmp/quorrel-command.trigger"));

  ASSERT_TRUE(desktop.chooseMenuItem("Quit Launcher"));
  loop.runUntilIdle();
  EXPECT_TRUE(application.isTerminated());
  EXPECT_TRUE(ferrolin.application.isTerminated());
  EXPECT_TRUE(desktop.hotKeys().empty());
  EXPECT_EQ(testsupport::awaitRecordedCalls(tools.launchctlCalls, 1),
            (Calls{{"bootout", "gui/" + std::to_string(::getuid()), agentFile.string()}}));
  EXPECT_TRUE(fs::exists(agentFile));
}

// An update found at launch shows in the menu bar and a notification; a check from the settings
// window that finds nothing keeps it, a newer one takes its place everywhere. The menu and the
// window both open the download page.
TEST_F(LauncherDelegateTest, AFoundUpdateStaysUntilANewerOneAndOpensTheDownloadPage) {
  publishedVersion = "1.2.0";
  launch();
  loop.runUntil([&] { return delegate->updateResult().has_value(); }, 30s);
  EXPECT_EQ(screen(), screenWithUpdate);
  ASSERT_TRUE(desktop.chooseMenuItem("Download Update"));
  loop.runUntilIdle();
  EXPECT_EQ(desktop.journal().back().url, server.url("/download"));

  ASSERT_TRUE(desktop.chooseMenuItem("Settings"));
  for (const std::string published : {"down", "1.0.0", "1.3.0"}) {
    publishedVersion = published;
    loop.runUntilIdle();
    ASSERT_TRUE(desktop.click("checkUpdatesButton"));
    loop.runUntilIdle();
    ASSERT_TRUE(loop.runUntil(
        [&] { return desktop.renderText().find("Checking for updates") == std::string::npos; },
        30s));
    // One that finds nothing, or cannot ask, keeps the update found before.
    EXPECT_EQ(delegate->updateResult(),
              (launcher::VersionCheckResult{published == "1.3.0" ? "1.3.0" : "1.2.0", "1.0.0"}));
    if (published == "down") {
      EXPECT_TRUE(shows(R"x(label updateLabel "Update available: 1.2.0 (installed 1.0.0)")x"));
      EXPECT_TRUE(shows(R"(label toastLabel "Could not check for updates")"));
    }
  }
  const std::string message = "Update available: 1.3.0 (installed 1.0.0)";
  for (const std::string& part :
       {"tool tip \"" + message + "\"", "    " + message + "  (disabled)\n",
        "label updateLabel \"" + message + "\"", R"("Ferrolin update available" ")" + message}) {
    EXPECT_TRUE(shows(part)) << part;
  }
  ASSERT_TRUE(desktop.click("openDownloadButton"));
  loop.runUntilIdle();
  EXPECT_EQ(desktop.journal().back().url, server.url("/download"));
  // Apply in the window stores the settings.
  ASSERT_TRUE(desktop.click("applyButton"));
  loop.runUntilIdle();
  EXPECT_EQ(storedSettings(settingsFile), defaults);
}

// A check at launch that could not ask leaves no update known: the window says the check failed,
// never "up to date", until a check answers.
TEST_F(LauncherDelegateTest, ALaunchCheckThatFailedIsNotShownAsUpToDate) {
  publishedVersion = "down";
  launch();
  // The window shows what the launcher knows when it opens: opened again until the answer is in.
  EXPECT_TRUE(loop.runUntil(
      [&] {
        if (!desktop.chooseMenuItem("Settings")) {
          return false;
        }
        loop.runUntilIdle();
        return shows(R"(label updateLabel "Could not check for updates")");
      },
      30s));
  publishedVersion = "1.0.0";
  ASSERT_TRUE(desktop.click("checkUpdatesButton"));
  EXPECT_TRUE(
      loop.runUntil([&] { return shows(R"(label updateLabel "You are up to date.")"); }, 30s));
}

// Another program holds the shortcut when the launcher starts: the menu and the window say so, and
// Apply tries it again, answering "Applied" only once the system has registered it.
TEST_F(LauncherDelegateTest, AShortcutHeldElsewhereShowsAsNotRegisteredUntilApplyRegistersIt) {
  platform::EventHotKeyRef taken = holdElsewhere(11, platform::cmdKey | platform::optionKey);
  launch();
  EXPECT_TRUE(shows("Hotkey: Command + Option + B (could not be registered)  (disabled)"));
  ASSERT_TRUE(desktop.chooseMenuItem("Settings"));
  EXPECT_TRUE(shows(R"(label shortcutStateLabel "Not registered: in use or reserved" [)"));
  ASSERT_TRUE(desktop.click("applyButton"));
  EXPECT_TRUE(shows(R"(toastLabel "Shortcut could not be registered.)"));

  platform::UnregisterEventHotKey(taken);
  ASSERT_TRUE(desktop.click("applyButton"));
  EXPECT_TRUE(shows(R"(toastLabel "Applied")"));
  EXPECT_TRUE(shows(R"(shortcutStateLabel "Not registered: in use or reserved" (hidden))"));
  EXPECT_TRUE(shows("Hotkey: Command + Option + B  (disabled)"));
  EXPECT_EQ(launcherKeys(), (Keys{{11, platform::cmdKey | platform::optionKey}}));
}

TEST_F(LauncherDelegateTest, AFailedSaveKeepsTheOldShortcutAndSettingsAndASuccessfulOneAppliesAll) {
  launch();
  holdElsewhere(40, platform::controlKey | platform::shiftKey);
  // After each failure the old shortcut works, nothing is stored, the old settings stay and no
  // agent starts the launcher at the next login.
  const auto keptTheOldSettings = [&] {
    EXPECT_EQ(launcherKeys(), (Keys{{11, platform::cmdKey | platform::optionKey}}));
    EXPECT_EQ(delegate->settings(), defaults);
    EXPECT_FALSE(fs::exists(settingsFile));
    EXPECT_FALSE(fs::exists(agentFile));
    EXPECT_TRUE(shows("Hotkey: Command + Option + B"));
  };
  EXPECT_EQ(delegate->saveSettings({"command+option+", true, "de", std::nullopt}),
            "Shortcut format is invalid. Example: command+option+b");
  keptTheOldSettings();
  EXPECT_EQ(delegate->saveSettings({"control+shift+k", true, "de", std::nullopt}),
            "Shortcut could not be registered. It may be reserved or already in use.");
  keptTheOldSettings();
  const fs::path launchctl = tools.desktop / "root/bin/launchctl";
  testsupport::writeRecordingScript(launchctl, tools.launchctlCalls, 5);
  EXPECT_EQ(delegate->saveSettings({"control+shift+space", true, "en", std::nullopt}),
            "launchctl failed while updating startup.");
  keptTheOldSettings();
  testsupport::writeRecordingScript(launchctl, tools.launchctlCalls, 0);
  testsupport::writeFile(settingsFile.parent_path(), "a file where the folder belongs");
  EXPECT_EQ(delegate->saveSettings({"control+shift+space", true, "en", std::nullopt}),
            "“Ferrolin” couldn’t be created because an item with the same name already exists.");
  keptTheOldSettings();

  // An empty agent file starts nothing: it counts as off and is written anew.
  fs::remove(settingsFile.parent_path());
  testsupport::writeFile(agentFile, "");
  EXPECT_EQ(delegate->saveSettings({"control+shift+space", true, "fr", std::nullopt}),
            std::nullopt);
  EXPECT_NE(testsupport::readFile(agentFile), "");
  const launcher::LauncherSettings applied{"control+shift+space", true, "fr", "primary"};
  EXPECT_EQ(storedSettings(settingsFile), applied);
  EXPECT_EQ(delegate->settings(), applied);
  EXPECT_EQ(testsupport::readRecordedCalls(tools.launchctlCalls).back(),
            (std::vector<std::string>{"bootstrap", "gui/" + std::to_string(::getuid()),
                                      agentFile.string()}));
  EXPECT_EQ(launcherKeys(), (Keys{{49, platform::controlKey | platform::shiftKey}}));
  EXPECT_TRUE(shows("Hotkey: Control + Shift + SPACE"));
}

}  // namespace
