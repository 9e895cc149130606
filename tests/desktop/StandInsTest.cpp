// The open and launchctl stand-ins and the stand-in Ferrolin.app, run as real processes against a
// real desktopd.

#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/DesktopChannel.h"
#include "platform/DesktopWire.h"
#include "platform/FileManager.h"
#include "support/DesktopSession.h"
#include "support/Eventually.h"
#include "support/TemporaryFolder.h"
#include "support/ToolRunner.h"

namespace {

namespace wire = platform::wire;
using testsupport::DesktopSession;
using testsupport::eventually;
using testsupport::ToolResult;
using testsupport::writeFile;

constexpr const char* ferrolinIdentifier = "app.ferrolin.desktop";

std::filesystem::path builtFerrolinBundle() {
  return std::filesystem::path(FERROLIN_BUNDLES_DIR) / "Ferrolin.app";
}

std::filesystem::path executableIn(const std::filesystem::path& bundle) {
  return bundle / "Contents" / "MacOS" / "Ferrolin";
}

std::string guiDomain() {
  return "gui/" + std::to_string(::getuid());
}

bool mentions(const ToolResult& result, const std::string& text) {
  return result.stderrText.find(text) != std::string::npos;
}

pid_t pidOf(const nlohmann::json& app) {
  return static_cast<pid_t>(wire::integerAt(app, "pid").value_or(-1));
}

class StandInsTest : public ::testing::Test {
 protected:
  ToolResult open(const std::vector<std::string>& arguments) const {
    return session.run(DesktopSession::tool("open"), arguments);
  }
  ToolResult launchctl(const std::vector<std::string>& arguments) const {
    return session.run(DesktopSession::tool("launchctl"), arguments);
  }

  // The running instances of Ferrolin, as `desktopctl apps --json` lists them.
  std::vector<nlohmann::json> ferrolins() const {
    std::vector<nlohmann::json> found;
    std::ranges::copy_if(session.query("apps"), std::back_inserter(found), [](const auto& app) {
      return wire::stringAt(app, "bundleIdentifier") == ferrolinIdentifier;
    });
    return found;
  }
  // Its entry, or null when it does not run.
  nlohmann::json ferrolin() const {
    const auto apps = ferrolins();
    return apps.empty() ? nlohmann::json() : apps.front();
  }

  // The journal's entries of that kind whose field has that value.
  std::vector<nlohmann::json> journalEntries(const std::string& kind, const char* field,
                                             const std::string& value) const {
    std::vector<nlohmann::json> found;
    std::ranges::copy_if(
        session.query("journal"), std::back_inserter(found), [&](const auto& entry) {
          return wire::stringAt(entry, "kind") == kind && wire::stringAt(entry, field) == value;
        });
    return found;
  }
  std::vector<nlohmann::json> startsOf(const std::filesystem::path& program) const {
    return journalEntries("programStarted", "path", program.string());
  }

  bool waitFor(const std::string& what) const {
    return session.ctl("wait", what, ferrolinIdentifier).exitStatus == 0;
  }

  void writeCommandTrigger(const std::string& command) const {
    EXPECT_TRUE(files.writeAtomically(session.tmp() / "quorrel-command.trigger", command));
  }

  // A copy of the built Ferrolin.app in a folder of the session.
  std::filesystem::path installFerrolin(const std::filesystem::path& folder) const {
    const auto copy = folder / "Ferrolin.app";
    EXPECT_TRUE(files.createDirectory(folder));
    EXPECT_TRUE(files.copyItem(builtFerrolinBundle(), copy));
    return copy;
  }

  DesktopSession session;
  platform::FileManager files{session.home(), session.tmp()};
};

// open

TEST_F(StandInsTest, OpenStartsTheBundlesExecutableWithTheArgumentsAfterArgsOrOpensAnAddress) {
  const ToolResult opened =
      open({builtFerrolinBundle().string(), "--args", "--quorrel-launch-fullscreen", "two words"});
  const ToolResult address = open({"https://example.com/download?v=2"});

  ASSERT_EQ(opened.exitStatus, 0) << opened.stderrText;
  ASSERT_TRUE(waitFor("app"));
  // Opened again, the running instance is brought to the front instead of a second one started.
  EXPECT_EQ(open({builtFerrolinBundle().string()}).exitStatus, 0);
  const auto starts = startsOf(executableIn(builtFerrolinBundle()));
  ASSERT_EQ(starts.size(), 1U);
  EXPECT_EQ(wire::stringsAt(starts[0], "arguments"),
            (std::vector<std::string>{"--quorrel-launch-fullscreen", "two words"}));
  const nlohmann::json app = ferrolin();
  EXPECT_EQ(wire::stringAt(app, "bundlePath"), builtFerrolinBundle().string());
  EXPECT_EQ(wire::integerAt(starts[0], "pid"), pidOf(app));
  ASSERT_EQ(address.exitStatus, 0) << address.stderrText;
  EXPECT_EQ(journalEntries("urlOpened", "url", "https://example.com/download?v=2").size(), 1U);
}

TEST_F(StandInsTest, OpenByIdentifierLooksInTheUsersThenTheSystemsApplications) {
  // A bundle of another identifier is passed over.
  writeFile(session.home() / "Applications" / "Other.app" / "Contents" / "Info.plist",
            R"(<plist version="1.0"><dict><key>CFBundleIdentifier</key>)"
            R"(<string>com.example.other</string><key>CFBundleExecutable</key>)"
            R"(<string>Other</string></dict></plist>)");
  const auto system = installFerrolin(session.desktopFolder() / "root" / "Applications");

  const ToolResult fromSystem = open({"-b", ferrolinIdentifier, "--args", "one"});

  ASSERT_EQ(fromSystem.exitStatus, 0) << fromSystem.stderrText;
  ASSERT_TRUE(waitFor("app"));
  const auto starts = startsOf(executableIn(system));
  ASSERT_EQ(starts.size(), 1U);
  EXPECT_EQ(wire::stringsAt(starts[0], "arguments"), std::vector<std::string>{"one"});

  // Another bundle, so started beside the running one.
  const auto home = installFerrolin(session.home() / "Applications");
  const ToolResult fromHome = open({"-b", ferrolinIdentifier});
  ASSERT_EQ(fromHome.exitStatus, 0) << fromHome.stderrText;
  EXPECT_EQ(startsOf(executableIn(home)).size(), 1U);
}

TEST_F(StandInsTest, OpenFailsWithAMessageWhenThereIsNothingToOpen) {
  writeFile(session.home() / "notes.txt", "text");
  const auto missing = (session.home() / "Missing.app").string();
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{missing}, "The file " + missing + " does not exist."},
      {{"-b", "com.example.none"}, "Unable to find application with bundle identifier"},
      {{(session.home() / "notes.txt").string()}, "not an application"},
      {{}, "Usage: open"},
      {{"-b"}, "Usage: open"},
      {{"-x", builtFerrolinBundle().string()}, "Unknown option: -x"},
      {{"https://example.com", "--args", "x"}, "--args"}};
  for (const auto& [arguments, message] : cases) {
    const ToolResult result = open(arguments);

    EXPECT_EQ(result.exitStatus, 1) << message;
    EXPECT_TRUE(mentions(result, message)) << result.stderrText;
  }
  EXPECT_EQ(session.query("journal"), nlohmann::json::array());
}

TEST(StandInsOutsideADesktop, SayWhy) {
  for (const auto& [tool, arguments] :
       {std::pair<std::string, std::vector<std::string>>{"open", {builtFerrolinBundle().string()}},
        {"launchctl", {"print", guiDomain() + "/a"}}}) {
    const ToolResult result = testsupport::runTool(DesktopSession::tool(tool), arguments, {});
    EXPECT_EQ(result.exitStatus, 1) << tool;
    EXPECT_TRUE(mentions(result, "EMULATED_DESKTOP")) << tool << ": " << result.stderrText;
  }
}

// The stand-in Ferrolin.app

TEST_F(StandInsTest, FerrolinComesToTheFrontHidesOnEachHideUntilActivatedAndQuitsPolitely) {
  // As the launcher opens it; once its window is up it watches its command trigger.
  const ToolResult opened =
      open({builtFerrolinBundle().string(), "--args", "--quorrel-launch-fullscreen"});
  ASSERT_EQ(opened.exitStatus, 0) << opened.stderrText;
  ASSERT_EQ(session.ctl("wait", "window", "Ferrolin").exitStatus, 0);
  const nlohmann::json app = ferrolin();
  EXPECT_EQ(wire::boolAt(app, "frontmost"), true);
  EXPECT_EQ(wire::boolAt(app, "active"), true);
  EXPECT_EQ(wire::boolAt(app, "hidden"), false);
  EXPECT_EQ(wire::stringAt(app, "activationPolicy"), "regular");

  writeCommandTrigger("hide");
  ASSERT_TRUE(eventually([&] { return wire::boolAt(ferrolin(), "hidden") == true; }));
  EXPECT_EQ(wire::boolAt(ferrolin(), "frontmost"), false);
  // What the launcher does to show it: "show" in the trigger, then unhide and activate.
  writeCommandTrigger("show");
  ASSERT_EQ(session.ctl("focus", ferrolinIdentifier).exitStatus, 0);
  const nlohmann::json shown = ferrolin();
  EXPECT_EQ(wire::boolAt(shown, "hidden"), false);
  EXPECT_EQ(wire::boolAt(shown, "frontmost"), true);
  writeCommandTrigger("hide");
  EXPECT_TRUE(eventually([&] { return wire::boolAt(ferrolin(), "hidden") == true; }));

  const pid_t pid = pidOf(app);
  auto channel = platform::DesktopChannel::connect(
      platform::DesktopChannel::socketPath(session.desktopFolder()));
  ASSERT_TRUE(channel.has_value()) << channel.error().localizedDescription;
  const auto terminated = channel->request("terminateApplication", {{"pid", pid}});
  ASSERT_TRUE(terminated.has_value()) << terminated.error().localizedDescription;
  EXPECT_EQ(*terminated, true);
  EXPECT_TRUE(waitFor("gone"));
  EXPECT_TRUE(eventually([&] { return ::kill(pid, 0) != 0; })) << "the process has ended";
}

// launchctl

TEST_F(StandInsTest, LaunchctlBootstrapsKickstartsAndBootsOutAnAgent) {
  const std::string service = guiDomain() + "/app.ferrolin.agent";
  const auto program = executableIn(builtFerrolinBundle());
  const auto agent = session.home() / "Library" / "LaunchAgents" / "app.ferrolin.agent.plist";
  writeFile(agent, R"(<plist version="1.0"><dict><key>Label</key><string>app.ferrolin.agent)"
                   "</string><key>ProgramArguments</key><array><string>" +
                       program.string() +
                       "</string><string>--from-agent</string></array><key>RunAtLoad</key>"
                       "<true/></dict></plist>");

  const ToolResult loaded = launchctl({"bootstrap", guiDomain(), agent.string()});
  const ToolResult again = launchctl({"bootstrap", guiDomain(), agent.string()});

  ASSERT_EQ(loaded.exitStatus, 0) << loaded.stderrText;
  ASSERT_TRUE(waitFor("app"));
  EXPECT_EQ(again.exitStatus, 5);
  EXPECT_TRUE(mentions(again, "Bootstrap failed: 5: Input/output error")) << again.stderrText;
  EXPECT_TRUE(mentions(again, "app.ferrolin.agent")) << again.stderrText;
  const auto starts = startsOf(program);
  ASSERT_EQ(starts.size(), 1U);
  EXPECT_EQ(wire::stringsAt(starts[0], "arguments"), std::vector<std::string>{"--from-agent"});

  const pid_t first = pidOf(ferrolin());
  const ToolResult printed = launchctl({"print", service});
  ASSERT_EQ(printed.exitStatus, 0) << printed.stderrText;
  for (const std::string& line :
       std::vector<std::string>{service + " = {", "state = running",
                                "pid = " + std::to_string(first), "path = " + agent.string()}) {
    EXPECT_NE(printed.stdoutText.find(line), std::string::npos) << printed.stdoutText;
  }

  // Without -k a running program is left alone; with it, it is replaced.
  EXPECT_EQ(launchctl({"kickstart", service}).exitStatus, 0);
  EXPECT_EQ(startsOf(program).size(), 1U);
  const ToolResult kicked = launchctl({"kickstart", "-k", service});
  ASSERT_EQ(kicked.exitStatus, 0) << kicked.stderrText;
  EXPECT_EQ(startsOf(program).size(), 2U);
  ASSERT_TRUE(eventually([&] {
    const auto apps = ferrolins();
    return apps.size() == 1 && pidOf(apps[0]) != first;
  })) << "the first instance was stopped and a new one started";

  const ToolResult bootedOut = launchctl({"bootout", guiDomain(), agent.string()});
  ASSERT_EQ(bootedOut.exitStatus, 0) << bootedOut.stderrText;
  EXPECT_TRUE(waitFor("gone"));
  EXPECT_EQ(session.query("launchd"), nlohmann::json::array());

  const ToolResult outAgain = launchctl({"bootout", guiDomain(), agent.string()});
  EXPECT_EQ(outAgain.exitStatus, 3);
  EXPECT_TRUE(mentions(outAgain, "Boot-out failed: 3: No such process")) << outAgain.stderrText;
  const ToolResult unknown = launchctl({"kickstart", "-k", service});
  EXPECT_EQ(unknown.exitStatus, 113);
  EXPECT_TRUE(mentions(unknown, "Could not find service \"app.ferrolin.agent\""));
  EXPECT_EQ(launchctl({"print", service}).exitStatus, 113);
}

TEST_F(StandInsTest, LaunchctlRefusesOtherDomainsMalformedCommandsAndFilesThatAreNoAgents) {
  const std::string missing = (session.home() / "missing.plist").string();
  const std::string broken = (session.home() / "broken.plist").string();
  writeFile(broken,
            R"(<plist version="1.0"><dict><key>Label</key><string>x</string></dict></plist>)");
  const std::string otherUser = "gui/" + std::to_string(::getuid() + 1);
  const std::vector<std::pair<std::vector<std::string>, int>> cases = {
      {{"bootstrap", guiDomain(), missing}, 5},
      {{"bootstrap", guiDomain(), broken}, 5},
      {{"bootstrap", guiDomain(), session.home().string()}, 5},
      {{"bootstrap", "system", missing}, 112},
      {{"kickstart", "-k", otherUser + "/app.ferrolin.agent"}, 112},
      {{"print", "user/" + std::to_string(::getuid()) + "/app.ferrolin.agent"}, 112},
      {{}, 64},
      {{"load", missing}, 64},
      {{"bootstrap", guiDomain()}, 64},
      {{"bootout", guiDomain(), missing, "extra"}, 64},
      {{"kickstart", "-k", guiDomain()}, 64},
      {{"print", "app.ferrolin.agent"}, 64}};
  const std::map<int, std::string> messages = {
      {5, "Bootstrap failed: 5: Input/output error\n"}, {64, "Usage: launchctl"}, {112, "domain"}};
  for (const auto& [arguments, status] : cases) {
    const ToolResult result = launchctl(arguments);

    EXPECT_EQ(result.exitStatus, status) << testing::PrintToString(arguments);
    EXPECT_TRUE(mentions(result, messages.at(status))) << result.stderrText;
  }
  EXPECT_EQ(session.query("launchd"), nlohmann::json::array());
}

}  // namespace
