#include <gtest/gtest.h>

#include <array>
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

constexpr const char* ferrolin = "app.ferrolin.desktop";

bool ferrolinIs(const DesktopSession& session, bool hidden, bool frontmost) {
  const nlohmann::json app = session.application(ferrolin);
  return app.is_object() && app.value("hidden", !hidden) == hidden &&
         app.value("frontmost", !frontmost) == frontmost;
}

const fs::path launcherExecutable =
    fs::path(FERROLIN_BUNDLES_DIR) / "Ferrolin Launcher.app/Contents/MacOS/Ferrolin Launcher";

// The session's environment with a configuration whose web service refuses connections, so the
// update check finds nothing.
testsupport::Environment launcherEnvironment(const DesktopSession& session,
                                             const testsupport::RefusingLocalPort& service) {
  const fs::path config = session.home() / "launcher-config.json";
  testsupport::writeFile(config, R"({"targetAppName":"Ferrolin",)"
                                 R"("bundleIdentifier":"app.ferrolin.desktop",)"
                                 R"("currentVersion":"1.0.0","apiOrigin":")" +
                                     service.url("") + R"(","hotkeys":["command+option+b"]})");
  testsupport::Environment environment = session.environment();
  environment["QUORREL_LAUNCHER_CONFIG"] = config.string();
  return environment;
}

// The launcher from its bundle, on a desktop of its own. Three presses of the shortcut start, hide
// and show Ferrolin. "Quit Launcher" ends both programs and frees the shortcut. (A shortcut changed
// in the settings window is part of the journey test.)
TEST(LauncherEndToEnd, TheShortcutTogglesFerrolinAndQuitEndsBoth) {
  DesktopSession session;
  const testsupport::RefusingLocalPort service;
  testsupport::BackgroundProcess launcher(launcherExecutable, {},
                                          launcherEnvironment(session, service));
  ASSERT_EQ(session.ctl("wait", "hotkey", "command+option+b").exitStatus, 0);
  // A menu-bar program: it starts without taking the front from the user's application.
  EXPECT_EQ(session.application("com.quorrel.launcher").value("frontmost", true), false);

  ASSERT_EQ(session.ctl("press", "command+option+b").exitStatus, 0);
  ASSERT_EQ(session.ctl("wait", "app", ferrolin).exitStatus, 0);
  EXPECT_TRUE(eventually([&] { return ferrolinIs(session, false, true); }));
  ASSERT_EQ(session.ctl("press", "command+option+b").exitStatus, 0);
  EXPECT_TRUE(eventually([&] { return ferrolinIs(session, true, false); }));
  ASSERT_EQ(session.ctl("press", "command+option+b").exitStatus, 0);
  EXPECT_TRUE(eventually([&] { return ferrolinIs(session, false, true); }));

  ASSERT_EQ(session.ctl("menu", "Quit Launcher").exitStatus, 0);
  EXPECT_EQ(launcher.wait(), 0);
  EXPECT_EQ(session.ctl("wait", "gone", ferrolin).exitStatus, 0);
  EXPECT_EQ(session.ctl("press", "command+option+b").exitStatus, 1);
  const std::string journal = session.ctl("journal").stdoutText;
  EXPECT_EQ(journal.find("/bin/launchctl"), std::string::npos) << "quitting without an agent";
}

// Apply when the settings cannot be written: past the file-size limit (whose signal ends a program
// that does not ignore it) and on a full disk (a small file system of the launcher's own mount
// namespace). The window shows the system's sentence; the old file and the old shortcut stay.
TEST(LauncherEndToEnd, AnApplyThatCannotWriteShowsWhyAndKeepsTheOldFileAndShortcut) {
  const std::string old = R"({"language":"en","shortcut":"command+option+b","startAtLogin":false})";
  const std::string writeOld = R"(printf %s "$2" > "$1/launcher-settings.json" && )";
  const std::vector<std::array<std::string, 3>> cases = {
      {"file-size limit", writeOld + R"(exec prlimit --fsize=16 -- "$3")",
       "“launcher-settings.json” couldn’t be saved because of an error: File too large."},
      {"full disk",
       R"(mount -t tmpfs -o size=16k tmpfs "$1" && )" + writeOld +
           R"({ cat /dev/zero > "$1/filler" 2> /dev/null; exec "$3"; })",
       "“launcher-settings.json” couldn’t be saved because there isn’t enough space."},
  };
  for (const auto& [what, setUp, sentence] : cases) {
    DesktopSession session;
    const testsupport::RefusingLocalPort service;
    const fs::path folder = session.home() / "Library/Application Support/Ferrolin";
    fs::create_directories(folder);
    std::vector<std::string> arguments{"-c", setUp, "sh", folder, old, launcherExecutable};
    if (what == "full disk") {
      const testsupport::ToolResult unshare =
          session.run("/usr/bin/unshare", {"--user", "--map-root-user", "--mount", "true"});
      if (unshare.exitStatus != 0) {
        GTEST_SKIP() << "no user and mount namespace for a small file system: "
                     << unshare.stderrText;
      }
      arguments.insert(arguments.begin(), {"--user", "--map-root-user", "--mount", "/bin/sh"});
    }
    testsupport::BackgroundProcess launcher(what == "full disk" ? "/usr/bin/unshare" : "/bin/sh",
                                            arguments, launcherEnvironment(session, service));
    ASSERT_EQ(session.ctl("wait", "hotkey", "command+option+b").exitStatus, 0) << what;
    // From the menu (its item may show up after the shortcut) the user applies a new shortcut.
    ASSERT_TRUE(eventually([&] { return session.ctl("menu", "Settings").exitStatus == 0; }));
    ASSERT_EQ(session.ctl("wait", "window", "Ferrolin Launcher Settings").exitStatus, 0);
    ASSERT_EQ(session.ctl("click", "shortcutCapture").exitStatus, 0);
    ASSERT_EQ(session.ctl("key", "control+shift+k").exitStatus, 0);
    ASSERT_EQ(session.ctl("click", "Apply").exitStatus, 0);
    EXPECT_TRUE(eventually([&] {
      return session.ctl("show").stdoutText.find("toastLabel \"" + sentence) != std::string::npos;
    })) << what;
    EXPECT_EQ(session.ctl("wait", "hotkey", "command+option+b", "--timeout", "0").exitStatus, 0);
    EXPECT_EQ(session.ctl("wait", "hotkey", "control+shift+k", "--timeout", "0").exitStatus, 1);
    // The file as the launcher sees it, in its own mount namespace.
    const fs::path seen =
        fs::path("/proc") / std::to_string(launcher.pid()) / "root" / folder.relative_path();
    EXPECT_EQ(testsupport::readFile(seen / "launcher-settings.json"), old) << what;
  }
}

}  // namespace
