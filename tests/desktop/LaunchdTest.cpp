// The desktop's launchd with recorded services, for what the launchctl tests (DesktopToolsTest)
// cannot easily arrange: programs that end on their own, folders of files that are no agents.

#include "Launchd.h"

#include <gtest/gtest.h>

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

std::string plist(const std::string& body) {
  return R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0">)" + body + "</plist>";
}

// Records what launchd asks of the desktop. Programs "run" until stopped or taken out of `running`.
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

  TemporaryFolder folder;
  std::vector<std::string> starts;  // the programs started
  std::vector<pid_t> stops;
  std::set<pid_t> running;
  pid_t nextPid = 100;
  Launchd launchd{{
      .start = [this](const std::string& program,
                      const std::vector<std::string>& /*arguments*/) -> platform::Result<pid_t> {
        starts.push_back(program);
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

TEST_F(LaunchdTest, ReadsAnAgentOfAProgramAloneAndRefusesFilesThatAreNoAgentsSayingWhy) {
  const std::string label = "<dict><key>Label</key><string>a</string>";
  const std::string program = "<key>Program</key><string>/x</string>";
  writeFile(folder / "a.plist", plist(label + program + "</dict>"));
  const auto agent = readLaunchAgent(folder.path() / "." / "a.plist");
  ASSERT_TRUE(agent.has_value()) << agent.error().localizedDescription;
  EXPECT_EQ(agent->path, folder / "a.plist");
  EXPECT_EQ(agent->programArguments, std::vector<std::string>{"/x"});
  EXPECT_FALSE(agent->runAtLoad);

  const std::string arguments = "<key>ProgramArguments</key>";
  for (const auto& [body, reason] : std::vector<std::pair<std::string, std::string>>{
           {"<array><string>a</string></array>", "dictionary"},
           {"<dict>" + program + "</dict>", "Label"},
           {"<dict><key>Label</key><string></string>" + program + "</dict>", "Label"},
           {"<dict><key>Label</key><integer>4</integer>" + program + "</dict>", "Label"},
           {label + "</dict>", "neither ProgramArguments nor Program"},
           {label + arguments + "<array/></dict>", "ProgramArguments"},
           {label + arguments + "<array><string>/x</string><integer>1</integer></array></dict>",
            "ProgramArguments"},
           {label + program + "<key>RunAtLoad</key><string>yes</string></dict>", "RunAtLoad"}}) {
    writeFile(folder / "bad.plist", plist(body));
    const auto refused = readLaunchAgent(folder / "bad.plist");
    ASSERT_FALSE(refused.has_value()) << body;
    EXPECT_EQ(refused.error().code, 259) << body;
    const std::string& why = refused.error().localizedDescription;
    EXPECT_NE(why.find("bad.plist"), std::string::npos) << why;
    EXPECT_NE(why.find(reason), std::string::npos) << why;
  }
}

TEST_F(LaunchdTest, LoginLoadsRunAtLoadAgentsInNameOrderAndOnlyRunningProgramsAreStopped) {
  EXPECT_TRUE(launchd.login(folder / "LaunchAgents").empty()) << "no folder";
  writeAgent("c");
  writeAgent("b");
  writeAgent("idle", false);
  std::filesystem::rename(writeAgent("txt"), folder / "notes.txt");
  writeFile(folder / "garbage.plist", "{ not a plist");
  std::filesystem::create_directory(folder / "folder.plist");
  ASSERT_TRUE(launchd.bootstrap(writeAgent("a")));
  ASSERT_TRUE(launchd.bootstrap(folder / "idle.plist"));

  EXPECT_EQ(launchd.login(folder.path()), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(starts, (std::vector<std::string>{"/bin/a", "/bin/b", "/bin/c"}));
  EXPECT_EQ(launchd.agents().size(), 4U);

  // Programs that ended on their own are neither reported nor stopped.
  running.erase(101);
  EXPECT_FALSE(launchd.print("b")->pid.has_value());
  EXPECT_EQ(launchd.kickstart("b", true), 103);
  running.erase(103);
  ASSERT_TRUE(launchd.bootout(folder / "b.plist"));
  EXPECT_TRUE(stops.empty());
  launchd.logout();
  EXPECT_EQ(stops, (std::vector<pid_t>{100, 102}));
  EXPECT_TRUE(launchd.agents().empty());
  EXPECT_EQ(launchd.login(folder.path()).size(), 3U) << "a later login loads them again";
}

}  // namespace
