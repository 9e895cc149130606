#include <gtest/gtest.h>

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

// The launcher from its bundle, on a desktop of its own; its web service refuses connections, so
// its update check finds nothing. Three presses of the shortcut start, hide and show Ferrolin.
// "Quit Launcher" ends both programs and frees the shortcut. (A shortcut changed in the settings
// window is part of the journey test.)
TEST(LauncherEndToEnd, TheShortcutTogglesFerrolinAndQuitEndsBoth) {
  DesktopSession session;
  const testsupport::RefusingLocalPort service;
  const fs::path config = session.home() / "launcher-config.json";
  testsupport::writeFile(config, R"({"targetAppName":"Ferrolin",)"
                                 R"("bundleIdentifier":"app.ferrolin.desktop",)"
                                 R"("currentVersion":"1.0.0","apiOrigin":")" +
                                     service.url("") + R"(","hotkeys":["command+option+b"]})");
  testsupport::Environment environment = session.environment();
  environment["QUORREL_LAUNCHER_CONFIG"] = config.string();
  const fs::path bundles = FERROLIN_BUNDLES_DIR;
  testsupport::BackgroundProcess launcher(
      bundles / "Ferrolin Launcher.app/Contents/MacOS/Ferrolin Launcher", {}, environment);
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
  EXPECT_EQ(journal.find("launchctl"), std::string::npos) << "quitting without an agent";
}

}  // namespace
