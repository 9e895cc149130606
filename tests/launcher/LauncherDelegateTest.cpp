#include "LauncherDelegate.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "LauncherSettings.h"
#include "platform/Application.h"
#include "platform/CarbonEvents.h"
#include "platform/EmulatedDesktop.h"
#include "platform/EventLoop.h"
#include "platform/HttpSession.h"
#include "platform/KeyNames.h"
#include "platform/UserNotifications.h"
#include "support/LocalHttpServer.h"
#include "support/TemporaryFolder.h"
#include "support/TestScripts.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Calls = std::vector<std::vector<std::string>>;
using launcher::LauncherDelegate;

constexpr pid_t launcherPid = 3100;
constexpr pid_t targetPid = 3200;

// The launcher's delegate on an in-process emulated desktop, in a temporary home, with recording
// launchctl and open tools, and the product's web service played by a local server that publishes
// `publishedVersion`.
class LauncherDelegateTest : public testing::Test {
 protected:
  LauncherDelegateTest() {
    server.get("/api/app/latest-version", [this](const auto&, auto& response) {
      ++versionRequests;
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
        .files = &files,
        .process = &process,
        .bundle =
            platform::Bundle::forExecutable(launcherBundle / "Contents/MacOS/Ferrolin Launcher"),
        .processes = &processes,
        .paths = paths,
        .hotKeyTarget = &hotKeyTarget,
        .http = &http,
        .notifications = &notifications,
    });
    application.setDelegate(delegate.get());
    delegate->applicationDidFinishLaunching();
    loop.runUntilIdle();
  }

  platform::ActivationPolicy policyOf(pid_t pid) const {
    for (const platform::RunningApplicationState& state : desktop.runningApplications()) {
      if (state.pid == pid) {
        return state.activationPolicy;
      }
    }
    ADD_FAILURE() << "no application " << pid;
    return platform::ActivationPolicy::prohibited;
  }

  // Chooses "Quit Launcher": the launcher terminates and gives its hot key back.
  void quitFromTheMenu() {
    ASSERT_TRUE(desktop.chooseMenuItem("Quit Launcher"));
    loop.runUntilIdle();
    EXPECT_TRUE(application.isTerminated());
    EXPECT_TRUE(desktop.hotKeys().empty());
  }

  // The launcher's hot keys, as the shortcut words that press them.
  std::vector<std::string> launcherShortcuts() const {
    std::vector<std::string> shortcuts;
    for (const platform::HotKeyRegistration& key : desktop.hotKeys()) {
      for (const char* words : {"command+option+b", "control+shift+space", "control+shift+k"}) {
        const std::optional<platform::KeyChord> chord = platform::parseKeyChord(words);
        if (chord && key.signature == platform::fourCharCode("QRLL") &&
            key.keyCode == chord->keyCode && key.modifiers == chord->carbonModifiers) {
          shortcuts.emplace_back(words);
        }
      }
    }
    return shortcuts;
  }

  // Whether the screen, as the desktop renders it, shows the text.
  bool shows(const std::string& text) {
    loop.runUntilIdle();
    return desktop.renderText().find(text) != std::string::npos;
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
  platform::ProcessLauncher processes{paths};

  std::string publishedVersion = "1.0.0";
  std::atomic<int> versionRequests = 0;
  testsupport::LocalHttpServer server;

  platform::EmulatedDesktop desktop;
  platform::EventLoop loop;
  std::unique_ptr<platform::DesktopConnection> connection = desktop.connect(loop);
  platform::Application application{
      *connection, loop,
      platform::ApplicationIdentity{launcherPid, "com.quorrel.launcher", std::nullopt,
                                    std::nullopt}};
  platform::EventTarget hotKeyTarget{application};
  platform::UserNotificationCenter notifications{*connection, loop};
  platform::HttpSession http;
  std::shared_ptr<LauncherDelegate> delegate;
};

// A running Ferrolin (or another program) on the same desktop.
struct Target {
  Target(platform::EmulatedDesktop& desktop, platform::EventLoop& loop, pid_t pid = targetPid,
         const char* bundleIdentifier = "app.ferrolin.desktop")
      : connection(desktop.connect(loop)),
        application(
            *connection, loop,
            platform::ApplicationIdentity{pid, bundleIdentifier, std::nullopt, std::nullopt}) {
    application.finishLaunching();
    loop.runUntilIdle();
  }
  std::unique_ptr<platform::DesktopConnection> connection;
  platform::Application application;
};

TEST_F(LauncherDelegateTest, AFirstStartReadsTheDefaultsOnceAndWritesNothing) {
  launch();

  EXPECT_EQ(policyOf(launcherPid), platform::ActivationPolicy::accessory);
  EXPECT_TRUE(shows("Hotkey: Command + Option + B"));
  ASSERT_EQ(desktop.hotKeys().size(), 1U);
  EXPECT_EQ(versionRequests, 1);
  EXPECT_FALSE(delegate->updateResult());
  EXPECT_FALSE(fs::exists(settingsFile));
  EXPECT_TRUE(testsupport::readRecordedCalls(tools.launchctlCalls).empty());

  // The settings were read at launch and are kept: a file written now changes nothing.
  testsupport::writeFile(settingsFile, R"({"shortcut":"control+shift+space",)"
                                       R"("startAtLogin":true,"language":"fr"})");
  EXPECT_EQ(delegate->settings(),
            (launcher::LauncherSettings{"command+option+b", false, "en", "primary"}));
}

TEST_F(LauncherDelegateTest, ALauncherStartedWhileAnotherRunsLeavesAtOnceTouchingNothing) {
  const Target earlier(desktop, loop, 3300, "com.quorrel.launcher");
  start();

  EXPECT_TRUE(application.isTerminated());
  EXPECT_TRUE(desktop.hotKeys().empty());
  EXPECT_EQ(desktop.renderText(), "Status items:\nWindows:\nAlerts:\nNotifications:\n");
  EXPECT_FALSE(loop.runUntil([&] { return versionRequests > 0; }, 200ms));
}

TEST_F(LauncherDelegateTest, TheStoredShortcutIsRegisteredAndShownAtLaunch) {
  testsupport::writeFile(
      settingsFile, R"({"shortcut":"control+shift+space","startAtLogin":false,"language":"de"})");
  launch();

  EXPECT_TRUE(shows("Hotkey: Control + Shift + SPACE"));
  EXPECT_TRUE(desktop.press("control+shift+space"));
  EXPECT_FALSE(desktop.press("command+option+b"));
}

TEST_F(LauncherDelegateTest, AShortcutPressAndTheMenusToggleDoTheSame) {
  launch();
  const std::vector<std::string> openFerrolin{(home / "Applications/Ferrolin.app").string(),
                                              "--args", "--quorrel-launch-fullscreen"};
  fs::create_directories(openFerrolin[0]);

  ASSERT_TRUE(desktop.press("command+option+b"));
  loop.runUntilIdle();
  ASSERT_TRUE(desktop.chooseMenuItem("Toggle Ferrolin"));
  loop.runUntilIdle();
  EXPECT_EQ(testsupport::awaitRecordedCalls(tools.openCalls, 2),
            (Calls{openFerrolin, openFerrolin}));
  EXPECT_EQ(testsupport::readFile(folder / "tmp/quorrel-launch.trigger"), "show");

  // With Ferrolin running and in front, both hide it.
  const Target target(desktop, loop);
  ASSERT_TRUE(desktop.focus("app.ferrolin.desktop"));
  for (const auto& toggle :
       {std::function<bool()>([&] { return desktop.press("command+option+b"); }),
        std::function<bool()>([&] { return desktop.chooseMenuItem("Toggle Ferrolin"); })}) {
    fs::remove(folder / "tmp/quorrel-command.trigger");
    ASSERT_TRUE(toggle());
    loop.runUntilIdle();
    EXPECT_EQ(testsupport::readFile(folder / "tmp/quorrel-command.trigger"), "hide");
  }
}

TEST_F(LauncherDelegateTest, QuitWithoutAnAgentFileStopsFerrolinAndRunsNoLaunchctl) {
  const Target target(desktop, loop);
  launch();
  quitFromTheMenu();

  EXPECT_TRUE(target.application.isTerminated());
  // launchctl would have been started before the application terminated.
  EXPECT_TRUE(testsupport::readRecordedCalls(tools.launchctlCalls).empty());
}

TEST_F(LauncherDelegateTest, QuitWithAnAgentFileBootsTheAgentOutOnceAndKeepsTheFile) {
  testsupport::writeFile(agentFile, "agent");
  const Target target(desktop, loop);
  launch();
  quitFromTheMenu();

  EXPECT_TRUE(target.application.isTerminated());
  EXPECT_EQ(testsupport::awaitRecordedCalls(tools.launchctlCalls, 1),
            (Calls{{"bootout", "gui/" + std::to_string(::getuid()), agentFile.string()}}));
  EXPECT_TRUE(fs::exists(agentFile));
}

TEST_F(LauncherDelegateTest, AnUpdateFoundAtLaunchIsShownAndItsDownloadPageOpens) {
  publishedVersion = "1.2.0";
  launch();
  loop.runUntil([&] { return !desktop.notifications().empty(); }, 30s);

  EXPECT_EQ(delegate->updateResult(), (launcher::VersionCheckResult{"1.2.0", "1.0.0"}));
  EXPECT_TRUE(
      shows("Update available: 1.2.0 (installed 1.0.0)  (disabled)\n"
            "    Download Update"));
  EXPECT_TRUE(
      shows(R"x("Ferrolin update available" "Update available: 1.2.0 (installed 1.0.0)")x"));

  ASSERT_TRUE(desktop.chooseMenuItem("Download Update"));
  loop.runUntilIdle();
  std::vector<std::string> opened;
  for (const platform::JournalEntry& entry : desktop.journal()) {
    if (entry.kind == platform::JournalEntry::Kind::urlOpened) {
      opened.push_back(entry.url);
    }
  }
  EXPECT_EQ(opened, std::vector<std::string>{server.url("/download")});
}

// The settings as the file holds them, or nothing when there is no file.
std::optional<launcher::LauncherSettings> storedSettings(const fs::path& file) {
  if (!fs::exists(file)) {
    return std::nullopt;
  }
  return launcher::LauncherSettings::decode(nlohmann::json::parse(testsupport::readFile(file)));
}

TEST_F(LauncherDelegateTest, SavingStoresTheValuesAndOnlyAChangedStartAtLoginRunsLaunchctl) {
  launch();
  EXPECT_EQ(delegate->saveSettings({"command+option+b", false, "fr", std::nullopt}), std::nullopt);
  const launcher::LauncherSettings french{"command+option+b", false, "fr", "primary"};
  EXPECT_EQ(storedSettings(settingsFile), french);
  EXPECT_EQ(delegate->settings(), french);
  EXPECT_TRUE(testsupport::readRecordedCalls(tools.launchctlCalls).empty());

  EXPECT_EQ(delegate->saveSettings({"control+shift+space", true, "fr", "index:1"}), std::nullopt);
  EXPECT_EQ(storedSettings(settingsFile),
            (launcher::LauncherSettings{"control+shift+space", true, "fr", "index:1"}));
  EXPECT_TRUE(fs::exists(agentFile));
  EXPECT_EQ(testsupport::readRecordedCalls(tools.launchctlCalls).back(),
            (std::vector<std::string>{"bootstrap", "gui/" + std::to_string(::getuid()),
                                      agentFile.string()}));
  EXPECT_TRUE(shows("Hotkey: Control + Shift + SPACE"));
  EXPECT_EQ(launcherShortcuts(), std::vector<std::string>{"control+shift+space"});
}

TEST_F(LauncherDelegateTest, AnInvalidOrRefusedShortcutChangesNothingAndKeepsTheOldOneWorking) {
  launch();
  EXPECT_EQ(delegate->saveSettings({"command+option+", true, "de", std::nullopt}),
            "Shortcut format is invalid. Example: command+option+b");

  // Another program holds control+shift+k.
  Target other(desktop, loop);
  platform::EventTarget otherTarget{other.application};
  platform::EventHotKeyRef taken = nullptr;
  ASSERT_EQ(
      platform::RegisterEventHotKey(40, platform::controlKey | platform::shiftKey,
                                    {platform::fourCharCode("OTHR"), 1}, &otherTarget, 0, &taken),
      platform::noErr);
  EXPECT_EQ(delegate->saveSettings({"control+shift+k", true, "de", std::nullopt}),
            "Shortcut could not be registered. It may be reserved or already in use.");

  EXPECT_EQ(launcherShortcuts(), std::vector<std::string>{"command+option+b"});
  EXPECT_FALSE(fs::exists(settingsFile));
  EXPECT_FALSE(fs::exists(agentFile));
  EXPECT_EQ(delegate->settings(),
            (launcher::LauncherSettings{"command+option+b", false, "en", "primary"}));
  EXPECT_TRUE(shows("Hotkey: Command + Option + B"));
}

TEST_F(LauncherDelegateTest, AFailureAfterTheChecksPutsBackTheShortcutAndTheSettings) {
  launch();
  // launchctl refuses: turning start at login on fails and nothing is written.
  testsupport::writeRecordingScript(tools.desktop / "root/bin/launchctl", tools.launchctlCalls, 5);
  EXPECT_EQ(delegate->saveSettings({"control+shift+space", true, "en", std::nullopt}),
            "launchctl failed while updating startup.");
  EXPECT_FALSE(fs::exists(settingsFile));
  EXPECT_EQ(launcherShortcuts(), std::vector<std::string>{"command+option+b"});

  // The settings file cannot be written: its folder is a file. The start at login set on the way
  // stays set.
  testsupport::writeRecordingScript(tools.desktop / "root/bin/launchctl", tools.launchctlCalls, 0);
  testsupport::writeFile(settingsFile.parent_path(), "in the way");
  EXPECT_EQ(delegate->saveSettings({"control+shift+space", true, "en", std::nullopt}),
            "“Ferrolin” couldn’t be created because an item with the same name already exists.");
  EXPECT_EQ(launcherShortcuts(), std::vector<std::string>{"command+option+b"});
  EXPECT_EQ(delegate->settings(),
            (launcher::LauncherSettings{"command+option+b", false, "en", "primary"}));
  EXPECT_TRUE(fs::exists(agentFile));
  EXPECT_TRUE(shows("Hotkey: Command + Option + B"));
}

TEST_F(LauncherDelegateTest, AManualCheckKeepsAFoundUpdateWhichTheSettingsWindowThenShows) {
  launch();
  std::vector<std::optional<launcher::VersionCheckResult>> answers;
  auto checkNow = [&] {
    const std::size_t before = answers.size();
    delegate->checkForUpdatesManually(
        [&](const std::optional<launcher::VersionCheckResult>& result) {
          answers.push_back(result);
        });
    ASSERT_TRUE(loop.runUntil([&] { return answers.size() > before; }, 30s));
  };
  checkNow();
  publishedVersion = "1.3.0";
  checkNow();
  publishedVersion = "1.0.0";
  checkNow();

  const launcher::VersionCheckResult found{"1.3.0", "1.0.0"};
  EXPECT_EQ(answers, (std::vector<std::optional<launcher::VersionCheckResult>>{std::nullopt, found,
                                                                               std::nullopt}));
  EXPECT_EQ(delegate->updateResult(), found);
  EXPECT_TRUE(shows("Update available: 1.3.0 (installed 1.0.0)  (disabled)\n"));

  ASSERT_TRUE(desktop.chooseMenuItem("Settings"));
  EXPECT_TRUE(shows("label updateLabel \"Update available: 1.3.0 (installed 1.0.0)\""));
  EXPECT_TRUE(shows("button openDownloadButton \"Open Download Page\" ["));
  ASSERT_TRUE(desktop.click("openDownloadButton"));
  loop.runUntilIdle();
  EXPECT_EQ(desktop.journal().back().url, server.url("/download"));
}

}  // namespace
