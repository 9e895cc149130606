// The desktop's launchd with recorded services, for what the launchctl tests (StandInsTest) cannot
// easily arrange: programs that cannot start or that end on their own, files that are no agents.

#include "Launchd.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/TemporaryFolder.h"

namespace {

using desktop::Launchd;
using desktop::readLaunchAgent;
using testsupport::TemporaryFolder;
using testsupport::writeFile;
namespace launchdStatus = desktop::launchdStatus;

std::string plist(const std::string& body) {
  return R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0">)" + body + "</plist>";
}

// Records what launchd asks of the desktop. Programs "run" until stopped or ended by end().
class LaunchdTest : public ::testing::Test {
 protected:
  // folder/<label>.plist, an agent of that label whose program is /bin/<label>.
  std::filesystem::path writeAgent(const std::string& label, bool runAtLoad = true) {
    const auto path = folder / (label + ".plist");
    writeFile(path, plist("<dict><key>Label</key><string>" + label +
                          "</string><key>ProgramArguments</key><array><string>/bin/" + label +
                          "</string></array><key>RunAtLoad</key>" +
                          (runAtLoad ? "<true/>" : "<false/>") + "</dict>"));
    return path;
  }
  void end(pid_t pid) { running.erase(pid); }

  TemporaryFolder folder;
  std::vector<std::string> starts;  // the programs started
  std::vector<pid_t> stops;
  std::set<pid_t> running;
  pid_t nextPid = 100;
  bool refuseStarts = false;
  Launchd launchd{{
      .start = [this](const std::string& program,
                      const std::vector<std::string>& /*arguments*/) -> platform::Result<pid_t> {
        starts.push_back(program);
        if (refuseStarts) {
          return std::unexpected(platform::Error{platform::errorDomain::process, ENOENT,
                                                 "The program could not be started."});
        }
        running.insert(nextPid);
        return nextPid++;
      },
      .stop =
          [this](pid_t pid) {
            stops.push_back(pid);
            running.erase(pid);
          },
      .isRunning = [this](pid_t pid) { return running.contains(pid); },
  }};
};

TEST(ReadLaunchAgentTest, TakesProgramWithoutProgramArgumentsAndRunAtLoadDefaultsToFalse) {
  TemporaryFolder folder;
  writeFile(folder / "a.plist", plist("<dict><key>Label</key><string>a</string>"
                                      "<key>Program</key><string>/bin/true</string></dict>"));

  const auto agent = readLaunchAgent(folder.path() / "." / "a.plist");

  ASSERT_TRUE(agent.has_value()) << agent.error().localizedDescription;
  EXPECT_EQ(agent->path, folder / "a.plist");
  EXPECT_EQ(agent->programArguments, std::vector<std::string>{"/bin/true"});
  EXPECT_FALSE(agent->runAtLoad);
}

TEST(ReadLaunchAgentTest, RefusesFilesThatAreNoAgentsAndSaysWhy) {
  TemporaryFolder folder;
  const std::string label = "<dict><key>Label</key><string>a</string>";
  const std::string program = "<key>Program</key><string>/x</string>";
  const std::string arguments = "<key>ProgramArguments</key>";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"<array><string>a</string></array>", "dictionary"},
      {"<dict>" + program + "</dict>", "Label"},
      {"<dict><key>Label</key><string></string>" + program + "</dict>", "Label"},
      {"<dict><key>Label</key><integer>4</integer>" + program + "</dict>", "Label"},
      {label + "</dict>", "neither ProgramArguments nor Program"},
      {label + arguments + "<array/></dict>", "ProgramArguments"},
      {label + arguments + "<array><string>/x</string><integer>1</integer></array></dict>",
       "ProgramArguments"},
      {label + program + "<key>RunAtLoad</key><string>yes</string></dict>", "RunAtLoad"}};
  for (const auto& [body, reason] : cases) {
    writeFile(folder / "bad.plist", plist(body));

    const auto agent = readLaunchAgent(folder / "bad.plist");

    ASSERT_FALSE(agent.has_value()) << body;
    EXPECT_EQ(agent.error().code, 259) << body;
    const std::string& why = agent.error().localizedDescription;
    EXPECT_NE(why.find("bad.plist"), std::string::npos) << why;
    EXPECT_NE(why.find(reason), std::string::npos) << why;
  }
}

TEST_F(LaunchdTest, AnAgentWithoutItsProgramStaysLoadedAndKickstartStartsItOnce) {
  ASSERT_TRUE(launchd.bootstrap(writeAgent("idle", false)));
  refuseStarts = true;
  ASSERT_TRUE(launchd.bootstrap(writeAgent("a")));

  const auto agents = launchd.agents();
  const auto refused = launchd.kickstart("a", false);
  refuseStarts = false;
  const auto first = launchd.kickstart("idle", false);
  const auto second = launchd.kickstart("idle", false);

  ASSERT_EQ(agents.size(), 2U);
  EXPECT_FALSE(agents[0].pid.has_value() || agents[1].pid.has_value());
  ASSERT_FALSE(refused.has_value());
  EXPECT_EQ(refused.error().status, launchdStatus::failed);
  EXPECT_NE(refused.error().message.find("could not be started"), std::string::npos);
  EXPECT_EQ(first, 100);
  EXPECT_EQ(second, 100);
  EXPECT_EQ(launchd.print("idle")->pid, 100);
  EXPECT_EQ(starts, (std::vector<std::string>{"/bin/a", "/bin/a", "/bin/idle"}));
}

TEST_F(LaunchdTest, BootoutFindsTheAgentByItsPathWhenTheFileIsGoneAndOnlyOnce) {
  const auto path = writeAgent("a");
  ASSERT_TRUE(launchd.bootstrap(path));
  std::filesystem::remove(path);

  ASSERT_TRUE(launchd.bootout(folder.path() / "." / "a.plist"));

  EXPECT_EQ(stops, std::vector<pid_t>{100});
  EXPECT_TRUE(launchd.agents().empty());
  for (const auto& file : {path, folder / "other.plist"}) {
    const auto again = launchd.bootout(file);
    ASSERT_FALSE(again.has_value());
    EXPECT_EQ(again.error().status, launchdStatus::noSuchProcess);
  }
  // Loaded again afterwards, as a fresh agent.
  EXPECT_TRUE(launchd.bootstrap(writeAgent("a")));
  EXPECT_EQ(launchd.print("a")->pid, 101);
}

TEST_F(LaunchdTest, LoginLoadsTheRunAtLoadAgentsOfTheFolderInNameOrderAndSkipsTheRest) {
  EXPECT_TRUE(launchd.login(folder / "LaunchAgents").empty()) << "no folder";
  writeAgent("c");
  writeAgent("b");
  writeAgent("idle", false);
  std::filesystem::rename(writeAgent("txt"), folder / "notes.txt");
  writeFile(folder / "garbage.plist", "{ not a plist");
  std::filesystem::create_directory(folder / "folder.plist");
  ASSERT_TRUE(launchd.bootstrap(writeAgent("a")));

  const auto labels = launchd.login(folder.path());

  EXPECT_EQ(labels, (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(starts, (std::vector<std::string>{"/bin/a", "/bin/b", "/bin/c"}));
  EXPECT_EQ(launchd.agents().size(), 3U);
}

TEST_F(LaunchdTest, ProgramsThatHaveEndedAreNeitherReportedNorStoppedAndLogoutStopsTheOthers) {
  writeAgent("a");
  writeAgent("b");
  ASSERT_EQ(launchd.login(folder.path()).size(), 2U);
  end(100);
  EXPECT_FALSE(launchd.print("a")->pid.has_value());

  EXPECT_EQ(launchd.kickstart("a", true), 102);
  end(102);
  ASSERT_TRUE(launchd.bootout(folder / "a.plist"));
  EXPECT_TRUE(stops.empty());
  launchd.logout();

  EXPECT_EQ(stops, std::vector<pid_t>{101});
  EXPECT_TRUE(launchd.agents().empty());
  EXPECT_EQ(launchd.login(folder.path()).size(), 2U) << "a later login loads them again";
}

}  // namespace
