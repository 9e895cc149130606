#include <gtest/gtest.h>

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

// The launcher from its bundle on a real desktop, with Ferrolin.app next to it and the web service
// publishing a newer version: three presses of the shortcut start, hide and show Ferrolin, the
// update shows in the menu, and "Quit Launcher" ends both.
TEST(LauncherEndToEnd, PressPressPressQuit) {
  DesktopSession session;
  std::optional<testsupport::BackgroundProcess> service;
  const std::string origin = startWebService(session, "1.1.0", service);
  ASSERT_TRUE(origin.starts_with("http://127.0.0.1:")) << origin;
  const fs::path config = session.home() / "launcher-config.json";
  testsupport::writeFile(config, R"({"targetAppName":"Ferrolin",)"
                                 R"("bundleIdentifier":"app.ferrolin.desktop",)"
                                 R"("currentVersion":"1.0.0","apiOrigin":")" +
                                     origin + R"(","hotkeys":["command+option+b"]})");
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
  const std::string journal = session.ctl("journal").stdoutText;
  EXPECT_NE(journal.find("--quorrel-launch-fullscreen"), std::string::npos) << journal;

  ASSERT_EQ(session.ctl("press", "command+option+b").exitStatus, 0);
  EXPECT_TRUE(eventually([&] { return ferrolinIs(session, true, false); }));

  ASSERT_EQ(session.ctl("press", "command+option+b").exitStatus, 0);
  EXPECT_TRUE(eventually([&] { return ferrolinIs(session, false, true); }));

  EXPECT_TRUE(eventually([&] {
    return session.ctl("show").stdoutText.find("Update available: 1.1.0 (installed 1.0.0)") !=
           std::string::npos;
  }));
  ASSERT_EQ(session.ctl("menu", "Quit Launcher").exitStatus, 0);
  EXPECT_EQ(launcher.wait(), 0);
  EXPECT_EQ(session.ctl("wait", "gone", ferrolin).exitStatus, 0);
  EXPECT_EQ(session.ctl("press", "command+option+b").exitStatus, 1);
}

}  // namespace
