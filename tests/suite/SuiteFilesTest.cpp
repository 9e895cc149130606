// The files the launcher and the installer share, in a temporary home: the launch agent refuses a
// location it cannot carry, and the settings payload takes all three keys or nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/FileManager.h"
#include "platform/PropertyList.h"
#include "suite/LaunchAgent.h"
#include "suite/LauncherSettingsFile.h"
#include "support/TemporaryFolder.h"

namespace {

using suite::LauncherSettingsPayload;

TEST(LaunchAgentFile, ALocationXmlCannotCarryIsRefusedBeforeAnythingIsWritten) {
  const testsupport::TemporaryFolder folder;
  const platform::FileManager files{folder / "home", folder / "tmp"};
  for (const std::string program : {"/Apps/Bell\aLauncher", "/Apps/\x1b[0m", "/Apps/caf\xc3",
                                    "/Apps/\xc0\xaf", "/Apps/\xed\xa0\x80", "/Apps/\xef\xbf\xbe"}) {
    const auto refused = suite::writeLaunchAgent(files, program, "FerrolinInstaller");
    ASSERT_FALSE(refused) << program;
    EXPECT_EQ(refused.error().domain, "FerrolinInstaller");
    EXPECT_NO_THROW((void)nlohmann::json(refused.error().localizedDescription).dump())
        << "a sentence the desktop can carry";
  }
  EXPECT_EQ(suite::writeLaunchAgent(files, "/Apps/Bell\aLauncher", "FerrolinLauncher").error(),
            (platform::Error{"FerrolinLauncher", 1,
                             "The launcher’s location “/Apps/Bell\uFFFDLauncher” can’t be written "
                             "into a launch agent because it holds characters that a property "
                             "list can’t carry."}));
  EXPECT_FALSE(std::filesystem::exists(folder / "home"));

  // Tabs, line feeds, carriage returns and any character past them come back as written.
  const std::string program = "/Apps/Tab\tLine\nReturn\r é 😀 & <x>/Ferrolin Launcher";
  ASSERT_TRUE(suite::writeLaunchAgent(files, program, "FerrolinInstaller"));
  EXPECT_EQ(
      platform::readPropertyList(suite::launchAgentPath(folder / "home"))->at("ProgramArguments"),
      nlohmann::json::array({program}));
}

TEST(LauncherSettingsPayload, TakesAllThreeKeysWithTheirTypesOrNothingAndWritesOnlyThose) {
  EXPECT_EQ(LauncherSettingsPayload::decodeText(
                R"({"language": "fr", "coverMonitor": "primary", "shortcut": "command+k",
                    "startAtLogin": true, "theme": "dark"})"),
            (LauncherSettingsPayload{"command+k", true, "fr"}));
  for (const char* text : {R"({"shortcut": "b", "startAtLogin": true})",
                           R"({"shortcut": "b", "startAtLogin": 1, "language": "fr"})",
                           R"({"shortcut": null, "startAtLogin": true, "language": "fr"})",
                           R"(["b", true, "fr"])", "{", ""}) {
    EXPECT_EQ(LauncherSettingsPayload::decodeText(text), std::nullopt) << text;
  }

  const testsupport::TemporaryFolder folder;
  const platform::FileManager files{folder / "home", folder / "tmp"};
  ASSERT_TRUE(suite::writeSettingsFile(files, suite::launcherSettingsPath(folder / "home"),
                                       LauncherSettingsPayload{"command+b", false, "de"}.toJSON()));
  EXPECT_EQ(testsupport::readFile(folder / "home/Library/Application Support/Ferrolin/"
                                           "launcher-settings.json"),
            R"({"language":"de","shortcut":"command+b","startAtLogin":false})");
}

}  // namespace
