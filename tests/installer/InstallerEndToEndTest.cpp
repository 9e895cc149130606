// FerrolinInstaller from its bundle on a real desktop daemon: a German installation with start at
// login, whose agent starts the launcher, then an update while the launcher and Ferrolin run.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "support/DesktopSession.h"
#include "support/Eventually.h"
#include "support/TemporaryFolder.h"
#include "support/ToolRunner.h"

namespace {

namespace fs = std::filesystem;
using testsupport::DesktopSession;
using testsupport::eventually;

bool showing(const DesktopSession& session, const std::string& text) {
  return session.ctl("show").stdoutText.find(text) != std::string::npos;
}

// Runs the installer and answers its three dialogs: the first with `button`, the guide, the result.
void install(const DesktopSession& session, const std::string& button, const std::string& result) {
  testsupport::BackgroundProcess installer(
      fs::path(FERROLIN_BUNDLES_DIR) / "FerrolinInstaller.app/Contents/MacOS/FerrolinInstaller", {},
      session.environment());
  ASSERT_EQ(session.ctl("wait", "alert").exitStatus, 0);
  ASSERT_EQ(session.ctl("click", button).exitStatus, 0);
  EXPECT_TRUE(eventually([&] { return session.ctl("click", "Weiter").exitStatus == 0; }));
  EXPECT_TRUE(eventually([&] { return showing(session, "\"" + result + "\""); }));
  ASSERT_EQ(session.ctl("click", "OK").exitStatus, 0);
  EXPECT_EQ(installer.wait(), 0);
}

TEST(InstallerEndToEnd, AGermanInstallStartsTheLauncherAtLoginAndAnUpdateRestartsIt) {
  DesktopSession session;
  ASSERT_EQ(session.ctl("languages", "set", "de-DE").exitStatus, 0);
  install(session, "Installieren und beim Login starten", "Ferrolin installiert");
  // The agent started the launcher from its installed place, and its shortcut works.
  ASSERT_EQ(session.ctl("wait", "hotkey", "command+option+b").exitStatus, 0);
  const fs::path installedLauncher = session.home() / "Applications/Ferrolin.app";
  EXPECT_EQ(session.application("com.quorrel.launcher").value("bundlePath", ""),
            installedLauncher.string());
  EXPECT_EQ(testsupport::readFile(session.home() /
                                  "Library/Application Support/Ferrolin/launcher-settings.json"),
            R"({"language":"de","shortcut":"command+option+b","startAtLogin":true})");
  ASSERT_EQ(session.ctl("press", "command+option+b").exitStatus, 0);
  ASSERT_EQ(session.ctl("wait", "app", "app.ferrolin.desktop").exitStatus, 0);
  const int oldLauncher = session.application("com.quorrel.launcher").value("pid", 0);

  install(session, "Aktuelle Version aktualisieren", "Ferrolin aktualisiert");
  // Ferrolin was closed; the agent's launcher was restarted.
  EXPECT_EQ(session.ctl("wait", "gone", "app.ferrolin.desktop").exitStatus, 0);
  EXPECT_TRUE(eventually([&] {
    const nlohmann::json launcher = session.application("com.quorrel.launcher");
    return launcher.is_object() && launcher.value("pid", oldLauncher) != oldLauncher;
  }));
  EXPECT_EQ(session.ctl("wait", "hotkey", "command+option+b").exitStatus, 0);
}

}  // namespace
