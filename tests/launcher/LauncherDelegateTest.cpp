#include "LauncherDelegate.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/CarbonEvents.h"
#include "platform/EmulatedDesktop.h"
#include "platform/EventLoop.h"
#include "platform/HttpSession.h"
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
    application.finishLaunching();
  }

  // Makes the delegate and launches it, then waits until the automatic update check has reached
  // the service.
  void launch() {
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
    loop.runUntil([&] { return versionRequests > 0; }, 30s);
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

// A running Ferrolin on the same desktop.
struct Target {
  Target(platform::EmulatedDesktop& desktop, platform::EventLoop& loop)
      : connection(desktop.connect(loop)),
        application(*connection, loop,
                    platform::ApplicationIdentity{targetPid, "app.ferrolin.desktop", std::nullopt,
                                                  std::nullopt}) {
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

}  // namespace
