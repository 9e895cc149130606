// desktopctl against a real desktopd, with real programs of the emulated desktop.

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/CarbonEvents.h"
#include "platform/DesktopChannel.h"
#include "platform/DesktopWire.h"
#include "support/DesktopSession.h"
#include "support/Eventually.h"
#include "support/TemporaryFolder.h"
#include "support/ToolRunner.h"

namespace {

namespace wire = platform::wire;
using testsupport::BackgroundProcess;
using testsupport::DesktopSession;
using testsupport::eventually;
using testsupport::ToolResult;
using Line = std::vector<std::string>;

std::vector<std::string> linesOf(const std::filesystem::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

// Command lines as typed: lines separated by semicolons, words by spaces.
std::vector<Line> typed(const std::string& text) {
  std::vector<Line> lines;
  std::istringstream in(text);
  for (std::string typedLine; std::getline(in, typedLine, ';');) {
    std::istringstream words(typedLine);
    lines.emplace_back(std::istream_iterator<std::string>(words),
                       std::istream_iterator<std::string>());
  }
  return lines;
}

ToolResult desktopctl(const Line& line, const testsupport::Environment& environment) {
  return testsupport::runTool(DesktopSession::tool("desktopctl"), line, environment);
}

bool runsPid(const DesktopSession& session, pid_t pid) {
  return std::ranges::any_of(session.query("apps"), [pid](const nlohmann::json& app) {
    return wire::integerAt(app, "pid") == pid;
  });
}

TEST(DesktopctlCommandLine, UsageErrorsExitTwoAndCommandsWithoutADaemonOne) {
  const testsupport::TemporaryFolder folder;
  // A socket file that nobody serves, as a daemon that crashed leaves behind: a command line that
  // gets past the checks exits 1.
  testsupport::writeFile(folder / "desktopd.sock", "");
  const testsupport::Environment environment{{"EMULATED_DESKTOP", folder.path().string()}};
  const std::vector<Line> usageErrors = typed(
      "; dance; apps extra; apps --colour; apps --app org.example.other; click; menu Quit --app;"
      " focus a b; press command+; key hyper+x; wait; wait forever; wait alert Title; wait window;"
      " wait hotkey;"
      " wait app org.example.x --timeout soon; wait alert --timeout -1; screens set;"
      R"( screens set [{; screens set {"name":"Main","x":0,"y":0,"width":10,"height":10};)"
      R"( screens set [{"name":"Main","x":0,"y":0,"width":-10,"height":10}];)"
      " screens set [] --json; screens list; languages set; languages set en,,fr; languages get en;"
      " screenshot");
  for (const auto& [lines, status] :
       {std::pair{usageErrors, 2},
        std::pair{typed("apps; show --json; stop; wait alert; press command+b"), 1}}) {
    for (const Line& line : lines) {
      const ToolResult result = desktopctl(line, environment);
      const std::string shown = testing::PrintToString(line);
      EXPECT_EQ(result.exitStatus, status) << shown << ": " << result.stderrText;
      EXPECT_NE(result.stderrText, "") << shown;
      EXPECT_EQ(result.stdoutText, "") << shown;
    }
  }

  const ToolResult withoutDesktop = desktopctl({"apps"}, {});
  EXPECT_EQ(withoutDesktop.exitStatus, 2);
  EXPECT_NE(withoutDesktop.stderrText.find("EMULATED_DESKTOP"), std::string::npos);
  const ToolResult help = desktopctl({"help"}, {});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_NE(help.stdoutText.find("desktopctl wait"), std::string::npos);
}

TEST(DesktopctlStartStop, OneDaemonRunsInTheLaidOutFolderUntilStoppedAndOtherFilesStayAlone) {
  DesktopSession session;
  const std::filesystem::path root = session.desktopFolder() / "root";
  EXPECT_EQ(std::filesystem::read_symlink(root / "bin" / "launchctl"),
            DesktopSession::tool("launchctl"));
  EXPECT_EQ(std::filesystem::read_symlink(root / "usr" / "bin" / "open"),
            DesktopSession::tool("open"));
  EXPECT_TRUE(std::filesystem::is_directory(root / "Applications"));

  const ToolResult again = session.ctl("start");
  EXPECT_EQ(again.exitStatus, 1);
  EXPECT_NE(again.stderrText.find("already"), std::string::npos) << again.stderrText;
  EXPECT_EQ(session.ctl("apps").exitStatus, 0);

  const ToolResult stopped = session.stop();
  EXPECT_EQ(stopped.exitStatus, 0) << stopped.stderrText;
  EXPECT_EQ(session.ctl("apps").exitStatus, 1);
  EXPECT_EQ(session.ctl("stop").exitStatus, 1);

  // A file where a link would go is left alone, and no daemon starts.
  const testsupport::TemporaryFolder folder;
  const std::filesystem::path launchctl = folder / "root" / "bin" / "launchctl";
  testsupport::writeFile(launchctl, "mine");
  const ToolResult result = desktopctl(
      {"start"}, {{"EMULATED_DESKTOP", folder.path().string()}, {"HOME", folder.path().string()}});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.stderrText.find("launchctl"), std::string::npos) << result.stderrText;
  EXPECT_EQ(testsupport::readFile(launchctl), "mine");
  EXPECT_FALSE(
      platform::DesktopChannel::connect(platform::DesktopChannel::socketPath(folder.path())));
}

TEST(DesktopctlApps, FollowFocusWhileTheHandsFindNothingOnAnEmptyScreen) {
  DesktopSession session;
  const ToolResult text = session.ctl("apps");
  EXPECT_EQ(text.exitStatus, 0);
  EXPECT_NE(text.stdoutText.find("org.example.other"), std::string::npos) << text.stdoutText;

  ASSERT_EQ(session.ctl("focus", "org.example.other").exitStatus, 0);
  EXPECT_EQ(wire::boolAt(session.application("org.example.other"), "frontmost"), true);
  EXPECT_NE(session.ctl("apps").stdoutText.find("frontmost"), std::string::npos);
  ASSERT_EQ(session.ctl("focus", "none").exitStatus, 0);
  const nlohmann::json apps = session.query("apps");
  EXPECT_TRUE(std::ranges::none_of(apps, [](const nlohmann::json& app) {
    return wire::boolAt(app, "frontmost").value_or(false);
  })) << apps.dump();
  EXPECT_EQ(session.ctl("apps").stdoutText.find("frontmost"), std::string::npos);

  const ToolResult shown = session.ctl("show");
  EXPECT_EQ(shown.exitStatus, 0);
  EXPECT_NE(shown.stdoutText.find("Windows:"), std::string::npos) << shown.stdoutText;
  EXPECT_TRUE(session.query("show").is_object());
  for (const Line& line : typed(
           "focus org.example.absent; press command+option+b; click Apply; menu Quit; dismiss;"
           " menu Quit --app org.example.other; select English; select English --in languagePopup;"
           " key command+a")) {
    const ToolResult result = session.ctl(line);
    EXPECT_EQ(result.exitStatus, 1) << line.front() << ": " << result.stderrText;
    EXPECT_NE(result.stderrText, "") << line.front();
  }
}

TEST(DesktopctlHotKeys, OneProcessOwnsAShortcutAndItsPressesUntilItDies) {
  DesktopSession session;
  const std::filesystem::path ownerRecord = session.tmp() / "owner.txt";
  const std::filesystem::path latecomerRecord = session.tmp() / "latecomer.txt";
  BackgroundProcess owner(DesktopSession::tool("hotkey_program"),
                          {"control+option+k", ownerRecord.string()}, session.environment());
  ASSERT_TRUE(eventually([&] { return linesOf(ownerRecord) == Line{"registered 0"}; }))
      << testsupport::readFile(session.desktopFolder() / "desktopd.log");
  BackgroundProcess latecomer(DesktopSession::tool("hotkey_program"),
                              {"control+option+k", latecomerRecord.string()},
                              session.environment());
  ASSERT_TRUE(eventually([&] { return !linesOf(latecomerRecord).empty(); }));
  EXPECT_EQ(linesOf(latecomerRecord),
            Line{"registered " + std::to_string(platform::eventHotKeyExistsErr)});

  const ToolResult pressed = session.ctl("press", "control+option+k");
  EXPECT_EQ(pressed.exitStatus, 0) << pressed.stderrText;
  const std::string press = "pressed " + std::to_string(platform::fourCharCode("HKTP")) + " 1";
  EXPECT_TRUE(eventually([&] { return std::ranges::count(linesOf(ownerRecord), press) == 1; }));
  EXPECT_EQ(linesOf(latecomerRecord).size(), 1U);

  ASSERT_TRUE(runsPid(session, owner.pid()));
  owner.kill();
  EXPECT_TRUE(eventually([&] { return !runsPid(session, owner.pid()); }));
  // Its hot key went with it; the refused latecomer holds none.
  EXPECT_EQ(session.ctl("press", "control+option+k").exitStatus, 1);
}

TEST(DesktopctlWait, TimesOutOrReturnsOnceTheConditionHolds) {
  DesktopSession session;
  const std::string identifier = "app.ferrolin.desktop";

  for (const Line& line : typed("wait app " + identifier +
                                " --timeout 0.2; wait alert --timeout 0.2;"
                                " wait window Settings --timeout 0.2;"
                                " wait gone org.example.other --timeout 0;"
                                " wait hotkey command+option+b --timeout 0.2")) {
    const ToolResult result = session.ctl(line);
    EXPECT_EQ(result.exitStatus, 1) << line[1];
    EXPECT_NE(result.stderrText, "") << line[1];
  }
  EXPECT_EQ(session.ctl("wait", "gone", identifier).exitStatus, 0);

  BackgroundProcess appWaiter(DesktopSession::tool("desktopctl"),
                              {"wait", "app", identifier, "--timeout", "60"},
                              session.environment());
  BackgroundProcess running(std::filesystem::path(FERROLIN_BUNDLES_DIR) / "Ferrolin.app" /
                                "Contents" / "MacOS" / "Ferrolin",
                            {}, session.environment());
  EXPECT_EQ(appWaiter.wait(), 0);
  EXPECT_EQ(wire::integerAt(session.application(identifier), "pid"), running.pid());

  BackgroundProcess goneWaiter(DesktopSession::tool("desktopctl"),
                               {"wait", "gone", identifier, "--timeout", "60"},
                               session.environment());
  running.kill();
  EXPECT_EQ(goneWaiter.wait(), 0);
  EXPECT_TRUE(session.application(identifier).is_null());
}

TEST(DesktopctlSettings, ScreensRoundTripAndLanguagesReachPrograms) {
  DesktopSession session;
  const nlohmann::json screens = nlohmann::json::parse(R"([
    {"name": "Built-in Display", "displayNumber": 1, "x": 0, "y": 0, "width": 1512,
     "height": 982, "scale": 2},
    {"name": "Side", "x": 1512, "y": -200, "width": 1920, "height": 1080}])");
  const ToolResult set = session.ctl("screens", "set", screens.dump());
  ASSERT_EQ(set.exitStatus, 0) << set.stderrText;
  EXPECT_EQ(session.ctl("screens", "set", "[{").exitStatus, 2);

  const nlohmann::json listed = session.query("screens");
  ASSERT_EQ(listed.size(), screens.size()) << listed.dump();
  for (std::size_t index = 0; index < screens.size(); ++index) {
    EXPECT_EQ(wire::decodeScreen(listed[index]), wire::decodeScreen(screens[index]))
        << listed.dump();
  }
  const ToolResult text = session.ctl("screens");
  EXPECT_NE(text.stdoutText.find("Built-in Display"), std::string::npos) << text.stdoutText;
  EXPECT_NE(text.stdoutText.find("1512,-200 1920x1080"), std::string::npos) << text.stdoutText;

  ASSERT_EQ(session.ctl("languages", "set", "fr-FR, en").exitStatus, 0);
  auto channel = platform::DesktopChannel::connect(
      platform::DesktopChannel::socketPath(session.desktopFolder()));
  ASSERT_TRUE(channel);
  const auto languages = channel->request("preferredLanguages");
  ASSERT_TRUE(languages) << languages.error().localizedDescription;
  EXPECT_EQ(*languages, nlohmann::json({"fr-FR", "en"}));
}

TEST(DesktopctlLaunchd, LoginStartsOnlyRunAtLoadAgentsWhichTheJournalAndLaunchdShow) {
  DesktopSession session;
  const std::filesystem::path agents = session.home() / "Library" / "LaunchAgents";
  for (const auto& [label, runAtLoad] :
       {std::pair{"org.example.sleeper", "<true/>"}, std::pair{"org.example.lazy", "<false/>"}}) {
    testsupport::writeFile(agents / (std::string(label) + ".plist"),
                           std::string("<plist version=\"1.0\"><dict><key>Label</key><string>") +
                               label +
                               "</string><key>ProgramArguments</key><array><string>/bin/sleep"
                               "</string><string>300</string></array><key>RunAtLoad</key>" +
                               runAtLoad + "</dict></plist>");
  }

  const ToolResult login = session.ctl("login");
  ASSERT_EQ(login.exitStatus, 0) << login.stderrText;
  EXPECT_EQ(login.stdoutText, "org.example.sleeper\n");

  const nlohmann::json loaded = session.query("launchd");
  ASSERT_EQ(loaded.size(), 1U) << loaded.dump();
  EXPECT_EQ(wire::stringAt(loaded[0], "label"), "org.example.sleeper");
  EXPECT_EQ(wire::stringAt(loaded[0], "path"), (agents / "org.example.sleeper.plist").string());
  const std::int64_t pid = wire::integerAt(loaded[0], "pid").value_or(0);
  ASSERT_GT(pid, 0);
  EXPECT_NE(session.ctl("launchd").stdoutText.find("org.example.sleeper"), std::string::npos);

  // Only the agent's program: starting the desktop itself is not a program start on it.
  const nlohmann::json journal = session.query("journal");
  EXPECT_EQ(journal,
            nlohmann::json::parse(R"([{"kind": "programStarted", "pid": )" + std::to_string(pid) +
                                  R"(, "path": "/bin/sleep", "arguments": ["300"]}])"));
  const ToolResult text = session.ctl("journal");
  EXPECT_NE(text.stdoutText.find("started /bin/sleep 300 (pid " + std::to_string(pid) + ")"),
            std::string::npos)
      << text.stdoutText;

  ASSERT_EQ(session.ctl("logout").exitStatus, 0);
  EXPECT_EQ(session.query("launchd"), nlohmann::json::array());
  EXPECT_EQ(session.ctl("launchd").stdoutText, "");
}

TEST(DesktopctlDaemon, SurvivesClientsThatDoNotSpeakTheProtocol) {
  DesktopSession session;
  const std::string socket = platform::DesktopChannel::socketPath(session.desktopFolder()).string();
  // Sends the text on a raw connection, then no more, and returns what the daemon sends back until
  // it hangs up (or a generous deadline passes).
  const auto send = [&](const std::string& text) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::ranges::copy(socket, std::begin(address.sun_path));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 ||
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
      ADD_FAILURE() << "cannot connect to " << socket;
      return std::string("not connected");
    }
    EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::shutdown(fd, SHUT_WR);
    std::string received;
    std::array<char, 4096> chunk{};
    pollfd waiting{fd, POLLIN, 0};
    for (ssize_t count = 1; count > 0 && ::poll(&waiting, 1, 30000) > 0;) {
      count = ::read(fd, chunk.data(), chunk.size());
      received.append(chunk.data(), static_cast<std::size_t>(std::max<ssize_t>(count, 0)));
    }
    ::close(fd);
    return received;
  };

  // The daemon says why and hangs up; a line cut short gets no answer.
  EXPECT_NE(send("not json\n").find("\"ok\":false"), std::string::npos);
  EXPECT_NE(send("[1, 2]\n").find("\"ok\":false"), std::string::npos);
  EXPECT_EQ(send(R"({"id": 1, "op": "ap)"), "");

  const ToolResult apps = session.ctl("apps");
  EXPECT_EQ(apps.exitStatus, 0) << apps.stderrText;
  EXPECT_NE(apps.stdoutText.find("org.example.other"), std::string::npos);
}

}  // namespace
