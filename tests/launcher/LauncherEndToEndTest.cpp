#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/DesktopSession.h"
#include "support/Eventually.h"
#include "support/TemporaryFolder.h"
#include "support/ToolRunner.h"

namespace {

namespace fs = std::filesystem;
using testsupport::DesktopSession;
using testsupport::eventually;

constexpr const char* ferrolin = "app.ferrolin.desktop";

bool ferrolinIs(const DesktopSession& session, bool hidden, bool frontmost) {
  const nlohmann::json app = session.application(ferrolin);
  return app.is_object() && app.value("hidden", !hidden) == hidden &&
         app.value("frontmost", !frontmost) == frontmost;
}

// The web service stand-in publishing `version`, started through the shell so that the address it
// prints lands in a file.
std::string startWebService(const DesktopSession& session, const std::string& version,
                            std::optional<testsupport::BackgroundProcess>& service) {
  const fs::path address = session.tmp() / "web-service-address";
  service.emplace("/bin/sh",
                  std::vector<std::string>{"-c", R"(exec "$0" --version "$1" >"$2")",
                                           DesktopSession::tool("webservice").string(), version,
                                           address.string()},
                  session.environment());
  std::string origin;
  eventually([&] {
    origin = fs::exists(address) ? testsupport::readFile(address) : "";
    return origin.ends_with("\n");
  });
  return origin.empty() ? origin : origin.substr(0, origin.size() - 1);
}

// Whether the process has ended (it may wait to be reaped).
bool hasExited(std::int64_t pid) {
  const fs::path stat = "/proc/" + std::to_string(pid) + "/stat";
  if (!fs::exists(stat)) {
    return true;
  }
  const std::string fields = testsupport::readFile(stat);
  return fields.find(") Z ") != std::string::npos;
}

bool screenShows(const DesktopSession& session, const std::string& text) {
  return eventually([&] { return session.ctl("show").stdoutText.find(text) != std::string::npos; });
}

// The launcher from its bundle on the session's desktop, asking the web service at `origin`;
// returns once its shortcut is registered and its menu is in the menu bar. The process lives in
// `slot`.
testsupport::BackgroundProcess& startLauncher(const DesktopSession& session,
                                              const std::string& origin,
                                              std::optional<testsupport::BackgroundProcess>& slot) {
  const fs::path config = session.home() / "launcher-config.json";
  testsupport::writeFile(config, R"({"targetAppName":"Ferrolin",)"
                                 R"("bundleIdentifier":"app.ferrolin.desktop",)"
                                 R"("currentVersion":"1.0.0","apiOrigin":")" +
                                     origin + R"(","hotkeys":["command+option+b"]})");
  testsupport::Environment environment = session.environment();
  environment["QUORREL_LAUNCHER_CONFIG"] = config.string();
  const fs::path bundles = FERROLIN_BUNDLES_DIR;
  testsupport::BackgroundProcess& launcher =
      slot.emplace(bundles / "Ferrolin Launcher.app/Contents/MacOS/Ferrolin Launcher",
                   std::vector<std::string>{}, environment);
  EXPECT_EQ(session.ctl("wait", "hotkey", "command+option+b").exitStatus, 0);
  EXPECT_TRUE(screenShows(session, "Quit Launcher"));
  return launcher;
}

// Three presses of the shortcut start, hide and show Ferrolin, the update the web service publishes
// shows in the menu, and "Quit Launcher" ends both.
TEST(LauncherEndToEnd, PressPressPressQuit) {
  DesktopSession session;
  std::optional<testsupport::BackgroundProcess> service;
  const std::string origin = startWebService(session, "1.1.0", service);
  ASSERT_TRUE(origin.starts_with("http://127.0.0.1:")) << origin;
  std::optional<testsupport::BackgroundProcess> slot;
  testsupport::BackgroundProcess& launcher = startLauncher(session, origin, slot);
  // A menu-bar program: it starts without taking the front from the user's application.
  EXPECT_EQ(session.application("com.quorrel.launcher").value("frontmost", true), false);

  ASSERT_EQ(session.ctl("press", "command+option+b").exitStatus, 0);
  ASSERT_EQ(session.ctl("wait", "app", ferrolin).exitStatus, 0);
  EXPECT_TRUE(eventually([&] { return ferrolinIs(session, false, true); }));
  const std::string journal = session.ctl("journal").stdoutText;
  EXPECT_NE(journal.find("--quorrel-launch-fullscreen"), std::string::npos) << journal;

  ASSERT_EQ(session.ctl("press", "command+option+b").exitStatus, 0);
  EXPECT_TRUE(eventually([&] { return ferrolinIs(session, true, false); }));

  ASSERT_EQ(session.ctl("press", "command+option+b").exitStatus, 0);
  EXPECT_TRUE(eventually([&] { return ferrolinIs(session, false, true); }));

  EXPECT_TRUE(screenShows(session, "Update available: 1.1.0 (installed 1.0.0)"));
  ASSERT_EQ(session.ctl("menu", "Quit Launcher").exitStatus, 0);
  EXPECT_EQ(launcher.wait(), 0);
  EXPECT_EQ(session.ctl("wait", "gone", ferrolin).exitStatus, 0);
  EXPECT_EQ(session.ctl("press", "command+option+b").exitStatus, 1);
}

// In the settings window the user records a new shortcut and applies it: the new one toggles
// Ferrolin and the old one is free. Turning start at login on and off writes and removes the agent
// and runs launchctl.
TEST(LauncherEndToEnd, TheSettingsWindowChangesTheShortcutAndStartAtLogin) {
  DesktopSession session;
  std::optional<testsupport::BackgroundProcess> service;
  const std::string origin = startWebService(session, "1.0.0", service);
  std::optional<testsupport::BackgroundProcess> slot;
  testsupport::BackgroundProcess& launcher = startLauncher(session, origin, slot);

  ASSERT_EQ(session.ctl("menu", "Settings").exitStatus, 0);
  ASSERT_EQ(session.ctl("wait", "window", "Ferrolin Launcher Settings").exitStatus, 0);
  ASSERT_EQ(session.ctl("click", "shortcutCapture").exitStatus, 0);
  ASSERT_EQ(session.ctl("key", "control+shift+k").exitStatus, 0);
  ASSERT_EQ(session.ctl("click", "Apply").exitStatus, 0);
  ASSERT_EQ(session.ctl("wait", "hotkey", "control+shift+k").exitStatus, 0);
  EXPECT_TRUE(screenShows(session, R"(label toastLabel "Applied")"));
  EXPECT_TRUE(screenShows(session, "Hotkey: Control + Shift + K"));
  EXPECT_NE(testsupport::readFile(session.home() /
                                  "Library/Application Support/Ferrolin/launcher-settings.json")
                .find(R"("shortcut":"control+shift+k")"),
            std::string::npos);

  EXPECT_EQ(session.ctl("press", "command+option+b").exitStatus, 1);
  ASSERT_EQ(session.ctl("press", "control+shift+k").exitStatus, 0);
  ASSERT_EQ(session.ctl("wait", "app", ferrolin).exitStatus, 0);
  EXPECT_TRUE(eventually([&] { return ferrolinIs(session, false, true); }));

  // Ferrolin is in front now: the settings come back to the front from the menu.
  const fs::path agent = session.home() / "Library/LaunchAgents/com.quorrel.launcher.plist";
  ASSERT_EQ(session.ctl("menu", "Settings").exitStatus, 0);
  EXPECT_TRUE(eventually(
      [&] { return session.application("com.quorrel.launcher").value("frontmost", false); }));
  ASSERT_EQ(session.ctl("click", "startupCheckbox").exitStatus, 0);
  ASSERT_EQ(session.ctl("click", "Apply").exitStatus, 0);
  EXPECT_TRUE(eventually([&] { return fs::exists(agent); }));
  const std::string domainAndAgent = " gui/" + std::to_string(::getuid()) + " " + agent.string();
  EXPECT_TRUE(eventually([&] {
    const std::string journal = session.ctl("journal").stdoutText;
    return journal.find("launchctl bootout" + domainAndAgent) != std::string::npos &&
           journal.find("launchctl bootstrap" + domainAndAgent) != std::string::npos;
  }));
  // The agent starts a launcher at once, which sees this one and leaves.
  const nlohmann::json agents = session.query("launchd");
  ASSERT_EQ(agents.size(), 1U) << agents;
  EXPECT_EQ(agents[0].value("label", ""), "com.quorrel.launcher");
  std::int64_t secondLauncher = 0;
  for (const nlohmann::json& entry : session.query("journal")) {
    if (entry.value("path", "").ends_with("/Ferrolin Launcher")) {
      secondLauncher = entry.value("pid", std::int64_t{0});
    }
  }
  ASSERT_NE(secondLauncher, 0);
  EXPECT_TRUE(eventually([&] { return hasExited(secondLauncher); }));
  EXPECT_EQ(session.application("com.quorrel.launcher").value("pid", std::int64_t{0}),
            launcher.pid());

  ASSERT_EQ(session.ctl("click", "startupCheckbox").exitStatus, 0);
  ASSERT_EQ(session.ctl("click", "Apply").exitStatus, 0);
  EXPECT_TRUE(eventually([&] { return !fs::exists(agent); }));
  const std::string journal = session.ctl("journal").stdoutText;
  EXPECT_EQ(journal.find("launchctl", journal.find("launchctl bootstrap") + 1), std::string::npos)
      << journal;

  ASSERT_EQ(session.ctl("menu", "Quit Launcher").exitStatus, 0);
  EXPECT_EQ(launcher.wait(), 0);
}

}  // namespace
