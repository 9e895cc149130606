// The suite as a user meets it, on a real desktop daemon with the programs from their bundles: a
// German installation with start at login, a login, the shortcut, a new shortcut from the settings
// window, an update while both programs run, and the removal of app and data. After each step it
// checks what the user could: the files in the home, the running programs, the loaded agent, and
// which shortcut reaches the launcher.

#include <gtest/gtest.h>

#include <sys/types.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/DesktopSession.h"
#include "support/Eventually.h"
#include "support/LocalHttpServer.h"
#include "support/TemporaryFolder.h"
#include "support/ToolRunner.h"

namespace {

namespace fs = std::filesystem;
using testsupport::DesktopSession;
using testsupport::eventually;

constexpr const char* launcherId = "com.quorrel.launcher";
constexpr const char* ferrolinId = "app.ferrolin.desktop";

bool showing(const DesktopSession& session, const std::string& text) {
  return session.ctl("show").stdoutText.find(text) != std::string::npos;
}

// How a program ended (-1 when a button never came) and what the screen showed before each answer.
struct ProgramRun {
  int exitStatus = -1;
  std::vector<std::string> screens;
};

fs::path programInBundle(const std::string& program) {
  return fs::path(FERROLIN_BUNDLES_DIR) / (program + ".app/Contents/MacOS") / program;
}

// Runs FerrolinInstaller or FerrolinUninstaller from its bundle and answers its dialogs in turn,
// each with the button of that title once an alert shows it. With `bindMount` (an outside folder
// and where to mount it), the program runs in mount and user namespaces of its own with that bind
// mount in place.
ProgramRun runAnswering(const DesktopSession& session, const std::string& program,
                        const std::vector<std::string>& buttons,
                        const std::vector<std::string>& bindMount = {}) {
  const bool mounting = !bindMount.empty();
  std::vector<std::string> arguments;
  if (mounting) {
    arguments = {"--user",
                 "--map-root-user",
                 "--mount",
                 "/bin/sh",
                 "-c",
                 R"(mount --bind "$1" "$2" && exec "$0")",
                 programInBundle(program)};
    arguments.insert(arguments.end(), bindMount.begin(), bindMount.end());
  }
  testsupport::BackgroundProcess process(mounting ? "/usr/bin/unshare" : programInBundle(program),
                                         arguments, session.environment());
  ProgramRun run;
  for (const std::string& button : buttons) {
    if (!eventually([&] { return showing(session, "[" + button + "]"); })) {
      ADD_FAILURE() << program << " never showed " << button;
      return run;
    }
    run.screens.push_back(session.ctl("show").stdoutText);
    EXPECT_EQ(session.ctl("click", button).exitStatus, 0) << button;
  }
  run.exitStatus = process.wait();
  return run;
}

pid_t launcherPid(const DesktopSession& session) {
  return session.application(launcherId).value("pid", 0);
}
// Whether the launcher runs as the process launchd started for its agent.
bool agentRunsLauncher(const DesktopSession& session) {
  const pid_t launcher = launcherPid(session);
  return launcher != 0 && std::ranges::any_of(session.query("launchd"), [&](const auto& agent) {
           return agent.value("label", "") == launcherId && agent.value("pid", 0) == launcher;
         });
}

TEST(JourneyEndToEnd, InstallLoginShortcutSettingsUpdateAndUninstallLeaveNothingBehind) {
  testsupport::LocalHttpServer service;
  service.get("/api/app/latest-version", [](const auto&, auto& response) {
    response.set_content(R"({"version":"1.1.0"})", "application/json");
  });
  service.start();
  const testsupport::TemporaryFolder configFolder;
  const fs::path config = configFolder / "launcher-config.json";
  testsupport::writeFile(config,
                         R"({"targetAppName":"Ferrolin","bundleIdentifier":"app.ferrolin.desktop",)"
                         R"("currentVersion":"1.0.0","apiOrigin":")" +
                             service.url("") + R"(","hotkeys":["command+option+b"]})");
  DesktopSession session({{"QUORREL_LAUNCHER_CONFIG", config.string()}});
  const fs::path home = session.home();
  const fs::path support = home / "Library/Application Support/Ferrolin";
  const fs::path settings = support / "launcher-settings.json";
  ASSERT_EQ(session.ctl("languages", "set", "de-DE").exitStatus, 0);

  // Install: both bundles, the agent and the settings; the agent started the installed launcher.
  const ProgramRun installed = runAnswering(
      session, "FerrolinInstaller", {"Installieren und beim Login starten", "Weiter", "OK"});
  ASSERT_EQ(installed.exitStatus, 0);
  EXPECT_NE(installed.screens.back().find("\"Ferrolin installiert\""), std::string::npos);
  EXPECT_TRUE(
      fs::is_regular_file(home / "Applications/Ferrolin.app/Contents/MacOS/Ferrolin Launcher"));
  EXPECT_TRUE(fs::is_regular_file(support / "Ferrolin.app/Contents/MacOS/Ferrolin"));
  EXPECT_TRUE(fs::is_regular_file(home / "Library/LaunchAgents/com.quorrel.launcher.plist"));
  EXPECT_EQ(testsupport::readFile(settings),
            R"({"language":"de","shortcut":"command+option+b","startAtLogin":true})");
  ASSERT_EQ(session.ctl("wait", "hotkey", "command+option+b").exitStatus, 0);
  EXPECT_EQ(session.application(launcherId).value("bundlePath", ""),
            (home / "Applications/Ferrolin.app").string());
  EXPECT_TRUE(agentRunsLauncher(session));

  // Log out and in: launchd starts a new launcher from the agent, which finds the update.
  const pid_t installedLauncher = launcherPid(session);
  ASSERT_EQ(session.ctl("logout").exitStatus, 0);
  EXPECT_TRUE(session.application(launcherId).is_null());
  EXPECT_EQ(session.ctl("press", "command+option+b").exitStatus, 1);
  ASSERT_EQ(session.ctl("login").exitStatus, 0);
  ASSERT_EQ(session.ctl("wait", "hotkey", "command+option+b").exitStatus, 0);
  EXPECT_NE(launcherPid(session), installedLauncher);
  EXPECT_TRUE(agentRunsLauncher(session));
  EXPECT_TRUE(eventually([&] { return showing(session, "Download Update"); }));

  // The shortcut reaches the launcher, which starts Ferrolin in front.
  ASSERT_EQ(session.ctl("press", "command+option+b").exitStatus, 0);
  ASSERT_EQ(session.ctl("wait", "app", ferrolinId).exitStatus, 0);
  EXPECT_TRUE(
      eventually([&] { return session.application(ferrolinId).value("frontmost", false); }));

  // A new shortcut from the settings window, which comes to the front over Ferrolin: the launcher
  // holds it at once and stores it; the old one is free.
  ASSERT_EQ(session.ctl("menu", "Settings").exitStatus, 0);
  ASSERT_EQ(session.ctl("wait", "window", "Ferrolin-Launcher Einstellungen").exitStatus, 0);
  EXPECT_TRUE(
      eventually([&] { return session.application(launcherId).value("frontmost", false); }));
  // As the user sees it: the window with a margin for its shadow, at the screen's scale of 2.
  const fs::path picture = configFolder / "settings.png";
  ASSERT_EQ(
      session.ctl("screenshot", picture.string(), "--window", "Ferrolin-Launcher Einstellungen")
          .exitStatus,
      0);
  const std::string png = testsupport::readFile(picture);
  EXPECT_TRUE(png.starts_with("\x89PNG"));
  EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x04\xC0\0\0\x04\x58", 8));  // 1216 by 1112
  ASSERT_EQ(session.ctl("click", "shortcutCapture").exitStatus, 0);
  ASSERT_EQ(session.ctl("key", "control+shift+k").exitStatus, 0);
  ASSERT_EQ(session.ctl("click", "applyButton").exitStatus, 0);
  ASSERT_EQ(session.ctl("wait", "hotkey", "control+shift+k").exitStatus, 0);
  EXPECT_EQ(session.ctl("press", "command+option+b").exitStatus, 1);
  EXPECT_NE(testsupport::readFile(settings).find(R"("shortcut":"control+shift+k")"),
            std::string::npos);

  // Update while both run: Ferrolin is closed, the agent's launcher restarted with the user's
  // shortcut, and the settings keep it.
  const pid_t loginLauncher = launcherPid(session);
  const ProgramRun updated = runAnswering(session, "FerrolinInstaller",
                                          {"Aktuelle Version aktualisieren", "Weiter", "OK"});
  ASSERT_EQ(updated.exitStatus, 0);
  EXPECT_NE(updated.screens.back().find("\"Ferrolin aktualisiert\""), std::string::npos);
  EXPECT_EQ(session.ctl("wait", "gone", ferrolinId).exitStatus, 0);
  ASSERT_EQ(session.ctl("wait", "hotkey", "control+shift+k").exitStatus, 0);
  EXPECT_NE(launcherPid(session), loginLauncher);
  EXPECT_TRUE(agentRunsLauncher(session));
  EXPECT_NE(testsupport::readFile(settings).find(R"("shortcut":"control+shift+k")"),
            std::string::npos);
  ASSERT_EQ(session.ctl("press", "control+shift+k").exitStatus, 0);
  ASSERT_EQ(session.ctl("wait", "app", ferrolinId).exitStatus, 0);

  // Uninstall with the data: no program, no agent, no shortcut, and no file left in the home.
  testsupport::writeFile(home / "Library/Application Support/app.ferrolin.desktop/state.db", "s");
  const ProgramRun removed =
      runAnswering(session, "FerrolinUninstaller", {"Remove App and Data", "Continue", "OK"});
  ASSERT_EQ(removed.exitStatus, 0);
  // The uninstaller's bundle carries its picture, so the placeholder line stays hidden.
  EXPECT_NE(removed.screens.front().find("\"Image placeholder: add uninstaller-hero to "
                                         "uninstaller resources.\" (hidden)"),
            std::string::npos)
      << removed.screens.front();
  EXPECT_NE(removed.screens.back().find("\"Ferrolin uninstalled\""), std::string::npos);
  EXPECT_EQ(session.ctl("wait", "gone", ferrolinId).exitStatus, 0);
  EXPECT_EQ(session.ctl("wait", "gone", launcherId).exitStatus, 0);
  EXPECT_TRUE(session.query("launchd").empty()) << session.query("launchd").dump();
  EXPECT_EQ(session.ctl("press", "control+shift+k").exitStatus, 1);
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(home)) {
    if (!entry.is_directory()) {
      left.push_back(fs::relative(entry.path(), home).string());
    }
  }
  EXPECT_TRUE(left.empty()) << left.front();
}

// An update that fails once it has closed the running programs (here the support folder cannot be
// made: a file stands in its place) starts the launcher again through its agent, so the shortcut
// keeps working.
TEST(JourneyEndToEnd, AnUpdateThatFailsStartsTheLauncherItClosedAgain) {
  DesktopSession session;
  const fs::path support = session.home() / "Library/Application Support/Ferrolin";
  ASSERT_EQ(
      runAnswering(session, "FerrolinInstaller", {"Install and Start at Login", "Continue", "OK"})
          .exitStatus,
      0);
  ASSERT_EQ(session.ctl("wait", "hotkey", "command+option+b").exitStatus, 0);
  const pid_t installedLauncher = launcherPid(session);
  fs::remove_all(support);
  testsupport::writeFile(support, "a file where the folder belongs");

  const ProgramRun failed =
      runAnswering(session, "FerrolinInstaller", {"Update Current Version", "OK"});
  EXPECT_EQ(failed.exitStatus, 0);
  EXPECT_NE(failed.screens.back().find("\"Install failed\""), std::string::npos)
      << failed.screens.back();
  EXPECT_TRUE(eventually([&] {
    const pid_t launcher = launcherPid(session);
    return launcher != 0 && launcher != installedLauncher;
  }));
  EXPECT_TRUE(agentRunsLauncher(session));
  EXPECT_EQ(session.ctl("wait", "hotkey", "command+option+b").exitStatus, 0);
}

// An outside folder bind-mounted into Ferrolin's caches: "Remove App and Data" stops there with a
// sentence that names it, and nothing behind the mount is touched.
TEST(JourneyEndToEnd, RemovingDataNeverEntersAFolderMountedInsideIt) {
  DesktopSession session;
  if (session.run("/usr/bin/unshare", {"--user", "--map-root-user", "--mount", "true"})
          .exitStatus != 0) {
    GTEST_SKIP() << "no user and mount namespaces here";
  }
  const fs::path caches = session.home() / "Library/Caches/app.ferrolin.desktop";
  const testsupport::TemporaryFolder outside;
  testsupport::writeFile(outside / "precious.txt", "keep me");
  fs::create_directories(caches / "volume");
  testsupport::writeFile(caches / "cache.bin", "cache");

  const ProgramRun removed =
      runAnswering(session, "FerrolinUninstaller", {"Remove App and Data", "Continue", "OK"},
                   {outside.path().string(), (caches / "volume").string()});
  EXPECT_EQ(removed.exitStatus, 0);
  ASSERT_FALSE(removed.screens.empty());
  EXPECT_NE(removed.screens.back().find("“app.ferrolin.desktop/volume” couldn’t be removed "
                                        "because it is on another volume."),
            std::string::npos)
      << removed.screens.back();
  EXPECT_EQ(testsupport::readFile(outside / "precious.txt"), "keep me");
}

// The desktop ends while the installer works: it stops at its next step, leaves nothing staged,
// and exits non-zero, since the user never saw the outcome.
TEST(JourneyEndToEnd, AnInstallerWhoseDesktopEndsMidWayExitsNonZeroWithNothingStaged) {
  DesktopSession session;
  testsupport::BackgroundProcess installer(programInBundle("FerrolinInstaller"), {},
                                           session.environment());
  ASSERT_TRUE(eventually([&] { return showing(session, "[Install Only]"); }));
  ASSERT_EQ(session.ctl("click", "Install Only").exitStatus, 0);
  EXPECT_EQ(session.stop().exitStatus, 0);
  EXPECT_EQ(installer.wait(), 1);
  for (const auto& entry : fs::recursive_directory_iterator(session.home())) {
    EXPECT_EQ(entry.path().filename().string().find(".staging-"), std::string::npos)
        << entry.path();
  }
}

}  // namespace
