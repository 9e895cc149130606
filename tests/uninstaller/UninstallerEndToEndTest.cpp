// FerrolinUninstaller from its bundle on a real desktop daemon, with the launcher started by its
// agent at login and Ferrolin running.

#include <gtest/gtest.h>

#include <filesystem>
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

std::string agentFor(const fs::path& program) {
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
<key>Label</key><string>com.quorrel.launcher</string>
<key>ProgramArguments</key><array><string>)" +
         program.string() + R"(</string></array>
<key>RunAtLoad</key><true/>
</dict></plist>
)";
}

TEST(UninstallerEndToEnd, RemovingAppAndDataEndsBothProgramsUnloadsTheAgentAndEmptiesTheHome) {
  DesktopSession session;
  const fs::path bundles = FERROLIN_BUNDLES_DIR;
  const fs::path home = session.home();
  const fs::path launcher = home / "Applications/Ferrolin.app";
  const fs::path support = home / "Library/Application Support/Ferrolin";
  fs::create_directories(launcher.parent_path());
  fs::copy(bundles / "Ferrolin Launcher.app", launcher, fs::copy_options::recursive);
  fs::create_directories(support);
  fs::copy(bundles / "Ferrolin.app", support / "Ferrolin.app", fs::copy_options::recursive);
  testsupport::writeFile(home / "Library/Application Support/app.ferrolin.desktop/state.db", "s");
  testsupport::writeFile(home / "Library/LaunchAgents/com.quorrel.launcher.plist",
                         agentFor(launcher / "Contents/MacOS/Ferrolin Launcher"));
  ASSERT_EQ(session.ctl("login").exitStatus, 0);
  ASSERT_EQ(session.ctl("wait", "hotkey", "command+option+b").exitStatus, 0);
  ASSERT_EQ(session.ctl("press", "command+option+b").exitStatus, 0);
  ASSERT_EQ(session.ctl("wait", "app", "app.ferrolin.desktop").exitStatus, 0);

  testsupport::BackgroundProcess uninstaller(
      bundles / "FerrolinUninstaller.app/Contents/MacOS/FerrolinUninstaller", {},
      session.environment());
  ASSERT_EQ(session.ctl("wait", "alert").exitStatus, 0);
  const std::string first = session.ctl("show").stdoutText;
  EXPECT_NE(first.find("warning \"Remove Ferrolin\" of com.quorrel.uninstaller"), std::string::npos)
      << first;
  // The bundle carries its picture, so the placeholder line stays hidden.
  EXPECT_NE(first.find("label panelPlaceholder \"Image placeholder: add uninstaller-hero to "
                       "uninstaller resources.\" (hidden)"),
            std::string::npos)
      << first;
  ASSERT_EQ(session.ctl("click", "Remove App and Data").exitStatus, 0);
  EXPECT_TRUE(eventually([&] { return session.ctl("click", "Continue").exitStatus == 0; }));
  EXPECT_TRUE(eventually([&] {
    return session.ctl("show").stdoutText.find("\"Ferrolin uninstalled\"") != std::string::npos;
  }));
  ASSERT_EQ(session.ctl("click", "OK").exitStatus, 0);
  EXPECT_EQ(uninstaller.wait(), 0);

  EXPECT_EQ(session.ctl("wait", "gone", "app.ferrolin.desktop").exitStatus, 0);
  EXPECT_EQ(session.ctl("wait", "gone", "com.quorrel.launcher").exitStatus, 0);
  EXPECT_TRUE(session.query("launchd").empty()) << session.query("launchd").dump();
  EXPECT_EQ(session.ctl("press", "command+option+b").exitStatus, 1);
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(home)) {
    if (!entry.is_directory()) {
      left.push_back(fs::relative(entry.path(), home).string());
    }
  }
  EXPECT_TRUE(left.empty()) << left.front();
}

}  // namespace
