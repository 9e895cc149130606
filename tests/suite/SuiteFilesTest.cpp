// What the programs share, in a temporary home: the launch agent refuses a location it cannot
// carry, the settings payload takes all three keys or nothing, and the launchctl runner never lets
// a time-out pass.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/FileManager.h"
#include "platform/PropertyList.h"
#include "suite/HomeLayout.h"
#include "suite/LaunchAgent.h"
#include "suite/Launchctl.h"
#include "suite/LauncherSettingsFile.h"
#include "support/TemporaryFolder.h"
#include "support/TestScripts.h"

namespace {

using namespace std::chrono_literals;
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
  EXPECT_EQ(platform::readPropertyList(suite::HomeLayout::under(folder / "home").launchAgent)
                ->at("ProgramArguments"),
            nlohmann::json::array({program}));
}

// Allowing failures forgives a non-zero exit status, never a launchctl that does not answer in
// time.
TEST(Launchctl, ATimeOutIsAnErrorEvenWhereFailuresAreAllowed) {
  const testsupport::TemporaryFolder folder;
  testsupport::writeNeverEndingScript(folder / "root/bin/launchctl", folder / "calls");
  const platform::ProcessLauncher processes{platform::SystemPaths(folder.path()), {}};
  for (const bool allowFailure : {false, true}) {
    EXPECT_EQ(suite::runLaunchctl(processes, 200ms, {"print", "gui/501"}, allowFailure,
                                  {"FerrolinLauncher", "launchctl failed."})
                  .error(),
              (platform::Error{platform::errorDomain::process, ETIMEDOUT,
                               "The program “launchctl” didn’t answer within 0.2 seconds and was "
                               "stopped."}));
  }
  EXPECT_EQ(testsupport::readRecordedCalls(folder / "calls").size(), 2U);
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
  ASSERT_TRUE(suite::writeSettingsFile(files,
                                       suite::HomeLayout::under(folder / "home").launcherSettings,
                                       LauncherSettingsPayload{"command+b", false, "de"}.toJSON()));
  EXPECT_EQ(testsupport::readFile(folder / "home/Library/Application Support/Ferrolin/"
                                           "launcher-settings.json"),
            R"({"language":"de","shortcut":"command+b","startAtLogin":false})");
}

}  // namespace
