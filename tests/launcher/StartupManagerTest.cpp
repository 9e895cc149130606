#include "StartupManager.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/PropertyList.h"
#include "support/TemporaryFolder.h"
#include "support/TestScripts.h"

namespace {

namespace fs = std::filesystem;
using Calls = std::vector<std::vector<std::string>>;
using testsupport::readFile;
using testsupport::writeFile;

// The agent file as launchd reads it, written out by hand.
std::string expectedAgent(const std::string& programText) {
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
  <dict>
    <key>Label</key>
    <string>com.quorrel.launcher</string>
    <key>ProgramArguments</key>
    <array>
      <string>)" +
         programText + R"(</string>
    </array>
    <key>RunAtLoad</key>
    <true/>
    <key>ProcessType</key>
    <string>Interactive</string>
  </dict>
</plist>)";
}

nlohmann::json agentValues(const std::string& program) {
  return {{"Label", "com.quorrel.launcher"},
          {"ProgramArguments", nlohmann::json::array({program})},
          {"RunAtLoad", true},
          {"ProcessType", "Interactive"}};
}

class StartupManagerTest : public testing::Test {
 protected:
  launcher::StartupManager manager(const platform::Bundle& bundle) const {
    return launcher::StartupManager(files, bundle, processes, process);
  }
  launcher::StartupManager manager() const {
    return manager(platform::Bundle::forExecutable(executable));
  }
  Calls launchctlCalls() const { return testsupport::readRecordedCalls(tools.launchctlCalls); }

  testsupport::TemporaryFolder folder;
  fs::path home = folder / "home";
  fs::path desktopFolder = folder / "desktop";
  testsupport::EmulatedTools tools = testsupport::writeEmulatedTools(desktopFolder);
  platform::FileManager files{home, folder / "tmp"};
  platform::ProcessLauncher processes{platform::SystemPaths(desktopFolder)};
  platform::ProcessInfo process{{}, {}, 501};
  fs::path executable = home / "Applications/Ferrolin.app/Contents/MacOS/Ferrolin Launcher";
  fs::path agentFile = home / "Library/LaunchAgents/com.quorrel.launcher.plist";
  Calls loadCalls{{"bootout", "gui/501", agentFile.string()},
                  {"bootstrap", "gui/501", agentFile.string()}};
};

TEST_F(StartupManagerTest, OnWritesAndLoadsTheAgentOnceAndOffOnlyDeletesIt) {
  EXPECT_EQ(manager().plistURL(), agentFile);
  EXPECT_FALSE(manager().isEnabled());

  ASSERT_TRUE(manager().setEnabled(true));
  EXPECT_TRUE(manager().isEnabled());
  EXPECT_EQ(readFile(agentFile), expectedAgent(executable.string()));
  EXPECT_EQ(platform::readPropertyList(agentFile), agentValues(executable.string()));
  EXPECT_EQ(launchctlCalls(), loadCalls);

  // A file already there, whoever wrote it, is kept as it is.
  writeFile(agentFile, "written by someone else");
  ASSERT_TRUE(manager().setEnabled(true));
  EXPECT_EQ(readFile(agentFile), "written by someone else");

  ASSERT_TRUE(manager().setEnabled(false));
  EXPECT_FALSE(manager().isEnabled());
  EXPECT_TRUE(fs::is_directory(agentFile.parent_path()));
  ASSERT_TRUE(manager().setEnabled(false)) << "nothing to delete is fine";
  EXPECT_EQ(launchctlCalls(), loadCalls);
}

TEST_F(StartupManagerTest, AFailedBootoutDoesNotStopTheBootstrap) {
  const fs::path recorder =
      testsupport::writeRecordingScript(desktopFolder / "recorder", tools.launchctlCalls, 0);
  const fs::path launchctl = desktopFolder / "root" / "bin" / "launchctl";
  writeFile(launchctl, "#!/bin/sh\n'" + recorder.string() +
                           "' \"$@\"\nif [ \"$1\" = bootout ]; then exit 3; fi\n");
  fs::permissions(launchctl, fs::perms::owner_all);

  ASSERT_TRUE(manager().setEnabled(true));
  EXPECT_EQ(launchctlCalls(), loadCalls);
}

TEST_F(StartupManagerTest, AFailedBootstrapIsAnErrorWithItsStatusAndLeavesTheAgentOn) {
  tools = testsupport::writeEmulatedTools(desktopFolder, 5);
  const platform::Result<void> result = manager().setEnabled(true);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(),
            (platform::Error{"FerrolinLauncher", 5, "launchctl failed while updating startup."}));
  EXPECT_EQ(readFile(agentFile), expectedAgent(executable.string()));
  // It takes effect at the next login; turning it on again is a no-op.
  EXPECT_TRUE(manager().setEnabled(true));
  EXPECT_EQ(launchctlCalls(), loadCalls);
}

TEST_F(StartupManagerTest, AFolderThatCannotBeMadeOrALaunchctlThatCannotStartIsAnError) {
  writeFile(home / "Library", "a file where the folder belongs");
  platform::Result<void> result = manager().setEnabled(true);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().domain, platform::errorDomain::file);
  EXPECT_EQ(readFile(home / "Library"), "a file where the folder belongs");
  EXPECT_TRUE(launchctlCalls().empty());

  fs::remove(home / "Library");
  fs::remove(desktopFolder / "root" / "bin" / "launchctl");
  result = manager().setEnabled(true);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().domain, platform::errorDomain::process);
  EXPECT_EQ(result.error().code, ENOENT);
  EXPECT_TRUE(manager().isEnabled());
}

TEST_F(StartupManagerTest, WhatXmlReservesIsEscapedAndReadsBackUnchanged) {
  const fs::path odd = home / "Tools & <Odd> Things/Ferrolin.app/Contents/MacOS/Ferrolin Launcher";

  ASSERT_TRUE(manager(platform::Bundle::forExecutable(odd)).setEnabled(true));

  EXPECT_EQ(readFile(agentFile),
            expectedAgent(
                home.string() +
                "/Tools &amp; &lt;Odd&gt; Things/Ferrolin.app/Contents/MacOS/Ferrolin Launcher"));
  EXPECT_EQ(platform::readPropertyList(agentFile), agentValues(odd.string()));

  writeFile(folder / "labelled.plist", launcher::launchAgentPropertyList("a&b<c>", "/x"));
  const auto values = platform::readPropertyList(folder / "labelled.plist");
  ASSERT_TRUE(values);
  EXPECT_EQ(values->at("Label"), "a&b<c>");
}

TEST_F(StartupManagerTest, ABundleWithoutExecutableGivesAnEmptyProgramPath) {
  fs::create_directories(folder / "Bare.app");
  const auto bare = platform::Bundle::atPath(folder / "Bare.app");
  if (!bare) {
    FAIL() << "no bundle folder";
  }
  ASSERT_TRUE(manager(*bare).setEnabled(true));
  EXPECT_EQ(readFile(agentFile), expectedAgent(""));
}

}  // namespace
