// desktopd and its clients: a program of this process on its DaemonConnection, and as real
// processes desktopctl (exit 0, 1 when what was asked for is not there or failed, 2 on a usage
// error), the open and launchctl stand-ins (run through the links `desktopctl start` lays out),
// launchd's login and the stand-in Ferrolin.app.

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "model/KeyNames.h"
#include "platform/Application.h"
#include "platform/CarbonEvents.h"
#include "platform/DaemonConnection.h"
#include "platform/DesktopChannel.h"
#include "platform/DesktopConnection.h"
#include "platform/DesktopLink.h"
#include "platform/DesktopWire.h"
#include "platform/FileManager.h"
#include "platform/PollEventLoop.h"
#include "platform/ProcessLauncher.h"
#include "platform/SystemPaths.h"
#include "support/DesktopSession.h"
#include "support/Eventually.h"
#include "support/TemporaryFolder.h"
#include "support/ToolRunner.h"

namespace {

namespace wire = platform::wire;
using namespace std::chrono_literals;
using platform::DesktopChannel;
using testsupport::DesktopSession;
using testsupport::eventually;
using testsupport::ToolResult;
using testsupport::writeFile;
using Words = std::vector<std::string>;

constexpr const char* ferrolinIdentifier = "app.ferrolin.desktop";

// Command lines as typed: lines separated by semicolons, words by spaces.
std::vector<Words> typed(const std::string& text) {
  std::vector<Words> lines;
  std::istringstream in(text);
  for (std::string typedLine; std::getline(in, typedLine, ';');) {
    std::istringstream words(typedLine);
    lines.emplace_back(std::istream_iterator<std::string>(words),
                       std::istream_iterator<std::string>());
  }
  return lines;
}

// A refusal: that exit status, nothing on standard output and the message on standard error.
void expectRefused(const ToolResult& result, int status, const std::string& message,
                   const std::string& what) {
  EXPECT_EQ(result.exitStatus, status) << what << ": " << result.stderrText;
  EXPECT_EQ(result.stdoutText, "") << what;
  EXPECT_NE(result.stderrText, "") << what;
  EXPECT_NE(result.stderrText.find(message), std::string::npos) << what << ": " << message;
}

std::filesystem::path builtFerrolinBundle() {
  return std::filesystem::path(FERROLIN_BUNDLES_DIR) / "Ferrolin.app";
}

std::filesystem::path executableIn(const std::filesystem::path& bundle) {
  return bundle / "Contents" / "MacOS" / "Ferrolin";
}

std::string guiDomain() {
  return "gui/" + std::to_string(::getuid());
}

pid_t pidOf(const nlohmann::json& app) {
  return static_cast<pid_t>(wire::integerAt(app, "pid").value_or(-1));
}

TEST(DesktopctlCommandLine, UsageErrorsExitTwoAndCommandsWithoutADaemonOne) {
  const testsupport::TemporaryFolder folder;
  // A socket file that nobody serves, as a daemon that crashed leaves behind, and a file where
  // `start` would put a link to a tool.
  writeFile(folder / "desktopd.sock", "");
  writeFile(folder / "root" / "bin" / "launchctl", "mine");
  const testsupport::Environment environment{{"EMULATED_DESKTOP", folder.path().string()},
                                             {"HOME", folder.path().string()}};
  for (const auto& [status, lines] : std::map<int, std::string>{
           {2,
            "; dance; apps extra; apps --colour; apps --app org.example.other; click;"
            " menu Quit --app; focus a b; press command+; key hyper+x; wait; wait forever;"
            " wait alert Title; wait window; wait hotkey; wait app org.example.x --timeout soon;"
            " wait alert --timeout -1; wait alert --timeout +1; wait alert --timeout 0x1;"
            " wait alert --timeout 1,5; wait alert --timeout 1e; screens set; screens set [{;"
            R"( screens set [{"name":"Main","x":0,"y":0,"width":"wide","height":10}];)"
            " screens set [] --json; screens list; languages set; languages set en,,fr;"
            " languages get en; screenshot; view now; view --port 65536; view --port -1;"
            " view --app"},
           {1, "apps; show --json; stop; wait alert; press command+b; start; view"}}) {
    for (const Words& line : typed(lines)) {
      expectRefused(testsupport::runTool(DesktopSession::tool("desktopctl"), line, environment),
                    status, "", testing::PrintToString(line));
    }
  }
  EXPECT_EQ(testsupport::readFile(folder / "root" / "bin" / "launchctl"), "mine");
  EXPECT_FALSE(DesktopChannel::connect(DesktopChannel::socketPath(folder.path())));

  // Outside a desktop.
  for (const auto& [tool, arguments, status] :
       {std::tuple<std::string, Words, int>{"desktopctl", {"apps"}, 2},
        {"open", {"/Ferrolin.app"}, 1},
        {"launchctl", {"print", "gui/0/a"}, 1}}) {
    expectRefused(testsupport::runTool(DesktopSession::tool(tool), arguments, {}), status,
                  "EMULATED_DESKTOP", tool);
  }
  const ToolResult help = testsupport::runTool(DesktopSession::tool("desktopctl"), {"help"}, {});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_NE(help.stdoutText.find("desktopctl wait"), std::string::npos);
}

TEST(DesktopctlSession, OneDaemonServesTheFolderUntilStoppedAndTheHandsFindOnlyWhatIsThere) {
  DesktopSession session;
  expectRefused(session.ctl("start"), 1, "already", "start");

  EXPECT_NE(session.ctl("apps").stdoutText.find("org.example.other"), std::string::npos);
  EXPECT_NE(session.ctl("apps").stdoutText.find("frontmost"), std::string::npos);
  ASSERT_EQ(session.ctl("focus", "none").exitStatus, 0);
  EXPECT_EQ(session.ctl("apps").stdoutText.find("frontmost"), std::string::npos);
  EXPECT_NE(session.ctl("show").stdoutText.find("Windows:"), std::string::npos);
  EXPECT_TRUE(session.query("show").is_object());
  for (const Words& line : typed(
           "focus org.example.absent; press command+option+b; click Apply; menu Quit; dismiss;"
           " menu Quit --app org.example.other; select English; select English --in languagePopup;"
           " key command+a; click-at 5 500; type command+shift+z; locate Apply;"
           " wait app app.ferrolin.desktop --timeout 0.1; wait alert --timeout 0.1;"
           " wait window Settings --timeout 0.1; wait gone org.example.other --timeout 0;"
           " wait hotkey command+option+b --timeout 0.1; wait shown app.ferrolin.desktop"
           " --timeout 0.1; wait hidden org.example.other --timeout 0.1;"
           R"( screens set [{"name":"M","x":0,"y":0,"width":3e9,"height":900}];)"
           R"( screens set [{"name":"M","x":0,"y":0,"width":17000,"height":900,"scale":2}];)"
           R"( screens set [{"name":"M","x":0,"y":0,"width":1e5,"height":1e5}];)"
           R"( screens set [{"name":"M","x":0,"y":0,"width":-10,"height":900}])")) {
    expectRefused(session.ctl(line), 1, "", testing::PrintToString(line));
  }
  EXPECT_EQ(session.query("screens")[0]["width"], 1512);
  EXPECT_EQ(session.ctl("wait", "gone", ferrolinIdentifier).exitStatus, 0);

  // A client that does not speak the protocol is told so, a line cut short gets no answer, a wait
  // for nothing is a bad request, and the others are still served.
  const auto answerTo = [&](const std::string& text) {
    auto channel = DesktopChannel::connect(DesktopChannel::socketPath(session.desktopFolder()));
    if (!channel || !DesktopChannel::sendAll(channel->fileDescriptor(), text)) {
      return std::string("not sent");
    }
    ::shutdown(channel->fileDescriptor(), SHUT_WR);
    std::string answer;
    std::array<char, 4096> chunk{};
    pollfd waiting{channel->fileDescriptor(), POLLIN, 0};
    for (ssize_t count = 0; ::poll(&waiting, 1, 30000) > 0 &&
                            (count = ::read(waiting.fd, chunk.data(), chunk.size())) > 0;) {
      answer.append(chunk.data(), static_cast<std::size_t>(count));
    }
    return answer;
  };
  EXPECT_NE(answerTo("not json\n").find(R"("ok":false)"), std::string::npos);
  EXPECT_EQ(answerTo(R"({"id": 1, "op": "ap)"), "");
  const std::string waitForNothing = R"({"id": 1, "op": "wait", "what": "nothing"})";
  EXPECT_NE(answerTo(waitForNothing + "\n").find(R"("status":2)"), std::string::npos);
  EXPECT_EQ(session.ctl("apps").exitStatus, 0);

  const ToolResult stopped = session.stop();
  EXPECT_EQ(stopped.exitStatus, 0) << stopped.stderrText;
  EXPECT_EQ(session.ctl("apps").exitStatus, 1);
  EXPECT_EQ(session.ctl("stop").exitStatus, 1);
}

// A watcher hears once of each change of what the screen shows, and of nothing else.
TEST(DesktopctlSession, AWatcherHearsOfEachChangeOfTheScreenOnce) {
  DesktopSession session;
  auto watcher = DesktopChannel::connect(DesktopChannel::socketPath(session.desktopFolder()));
  auto hands = DesktopChannel::connect(DesktopChannel::socketPath(session.desktopFolder()));
  ASSERT_TRUE(watcher && hands);
  ASSERT_TRUE(watcher->request(platform::ControlRequest{platform::control::Watch{}}));
  // What the watcher heard by the time the daemon answers it again.
  const auto heard = [&] {
    EXPECT_TRUE(watcher->request(platform::ControlRequest{platform::control::Apps{}}));
    std::vector<std::string> events;
    for (const nlohmann::json& event : watcher->takeEvents()) {
      events.push_back(wire::stringAt(event, "event").value_or("?"));
    }
    return events;
  };
  EXPECT_EQ(heard(), Words{});
  ASSERT_TRUE(hands->request(platform::ControlRequest{platform::control::SetLanguages{{"de"}}}));
  EXPECT_FALSE(hands->request(platform::ControlRequest{platform::control::ClickAt{5, 500}}));
  EXPECT_EQ(heard(), Words{}) << "neither the languages nor a click on nothing show";
  ASSERT_TRUE(hands->request(platform::ControlRequest{platform::control::Focus{}}));
  EXPECT_EQ(heard(), Words{"screenChanged"});
  ASSERT_EQ(session.ctl("screens", "set", R"([{"name":"M","x":0,"y":0,"width":800,"height":600}])")
                .exitStatus,
            0);
  EXPECT_EQ(heard(), Words{"screenChanged"});
}

// The desktopd processes that serve the folder.
std::vector<pid_t> daemonsIn(const std::filesystem::path& folder) {
  const std::string commandLine =
      DesktopSession::tool("desktopd").string() + '\0' + folder.string() + '\0';
  std::vector<pid_t> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    std::ifstream file(entry.path() / "cmdline");  // gone meanwhile: nothing read
    if (std::string read(std::istreambuf_iterator<char>(file), {}); read == commandLine) {
      found.push_back(std::stoi(name));
    }
  }
  return found;
}

// Several rounds, as whether two starts meet depends on how they happen to be scheduled.
TEST(DesktopdStart, OfDaemonsStartedOnOneFolderAtOnceOneServesItAndTheOthersSaySo) {
  for (int round = 0; round < 3; ++round) {
    const testsupport::TemporaryFolder folder;
    const testsupport::Environment environment{{"EMULATED_DESKTOP", folder.path().string()},
                                               {"HOME", folder.path().string()}};
    std::vector<ToolResult> results(8);
    {
      std::vector<std::jthread> starts;
      starts.reserve(results.size());
      for (ToolResult& result : results) {
        starts.emplace_back([&] {
          result = testsupport::runTool(DesktopSession::tool("desktopd"), {folder.path().string()},
                                        environment);
        });
      }
    }
    EXPECT_EQ(std::ranges::count(results, 0, &ToolResult::exitStatus), 1);
    for (const ToolResult& result : results) {
      if (result.exitStatus != 0) {
        expectRefused(result, 1, "is already running", "another daemon");
      }
    }
    EXPECT_EQ(daemonsIn(folder.path()).size(), 1U);
    const ToolResult stopped =
        testsupport::runTool(DesktopSession::tool("desktopctl"), {"stop"}, environment);
    EXPECT_EQ(stopped.exitStatus, 0) << stopped.stderrText;
    EXPECT_TRUE(eventually([&] { return daemonsIn(folder.path()).empty(); }, 5s));
    for (const pid_t left : daemonsIn(folder.path())) {
      ::kill(left, SIGKILL);
    }
  }
}

// A desktop of the test's own, and its tools.
class DesktopTest : public ::testing::Test {
 protected:
  ToolResult open(const Words& arguments) const {
    return session.run(session.desktopFolder() / "root" / "usr" / "bin" / "open", arguments);
  }
  ToolResult launchctl(const Words& arguments) const {
    return session.run(session.desktopFolder() / "root" / "bin" / "launchctl", arguments);
  }

  // The journal's starts of that program.
  std::vector<nlohmann::json> startsOf(const std::filesystem::path& program) const {
    std::vector<nlohmann::json> found;
    std::ranges::copy_if(
        session.query("journal"), std::back_inserter(found),
        [&](const auto& entry) { return wire::stringAt(entry, "path") == program.string(); });
    return found;
  }

  // `desktopctl wait app|gone` for Ferrolin, started now and answered once that holds.
  testsupport::BackgroundProcess waitFor(const std::string& what) const {
    return {DesktopSession::tool("desktopctl"),
            {"wait", what, ferrolinIdentifier, "--timeout", "60"},
            session.environment()};
  }

  DesktopSession session;
  platform::FileManager files{session.home(), session.tmp()};
};

// A program of this process, checked in with a real desktopd.
class DaemonConnectionTest : public DesktopTest {
 protected:
  void SetUp() override {
    auto made = platform::DaemonConnection::connect(session.desktopFolder(), loop);
    ASSERT_TRUE(made) << made.error().localizedDescription;
    connection = std::make_unique<platform::DesktopConnection>(std::move(*made));
    application = std::make_unique<platform::Application>(
        *connection, *connection, *connection, loop,
        platform::ApplicationIdentity{::getpid(), "org.test.program", "/Applications/Test.app",
                                      std::nullopt});
    application->finishLaunching();
  }

  platform::PollEventLoop loop;
  std::unique_ptr<platform::DesktopConnection> connection;
  std::unique_ptr<platform::Application> application;
};

TEST_F(DaemonConnectionTest, ProgramSeesTheDesktopAndLeavesItWhenAskedToTerminate) {
  const auto running = connection->runningApplications();
  ASSERT_EQ(running.size(), 2U);
  EXPECT_EQ(connection->frontmostApplication(), ::getpid());
  ASSERT_EQ(session.ctl("focus", "org.example.other").exitStatus, 0);
  EXPECT_EQ(connection->frontmostApplication(), 1);
  EXPECT_TRUE(connection->hideApplication(::getpid()));
  EXPECT_EQ(wire::boolAt(session.application("org.test.program"), "hidden"), true);
  EXPECT_TRUE(connection->unhideApplication(::getpid()));
  EXPECT_EQ(wire::boolAt(session.application("org.test.program"), "hidden"), false);
  const ToolResult screensSet = session.ctl(
      "screens", "set",
      R"([{"name": "Main", "x": 0, "y": 0, "width": 1440, "height": 900}, {"name": "Side",)"
      R"( "displayNumber": 2, "x": 1440, "y": -200, "width": 1920, "height": 1080, "scale": 2}])");
  ASSERT_EQ(screensSet.exitStatus, 0) << screensSet.stderrText;
  EXPECT_EQ(connection->screens(),
            (std::vector<platform::ScreenDescription>{{"Main", {}, {0, 0, 1440, 900}, 1},
                                                      {"Side", 2, {1440, -200, 1920, 1080}, 2}}));
  EXPECT_NE(session.ctl("screens").stdoutText.find("1440,-200 1920x1080"), std::string::npos);
  ASSERT_EQ(session.ctl("languages", "set", "fr-FR, en").exitStatus, 0);
  EXPECT_EQ(connection->preferredLanguages(), (std::vector<std::string>{"fr-FR", "en"}));

  // A launcher on the desktop enters what it starts, as the daemon does for launchd and open.
  const platform::SystemPaths paths(session.desktopFolder());
  const platform::ProcessLauncher launcher(paths, platform::desktopJournal(paths));
  ASSERT_TRUE(launcher.run("/bin/true", {"--flag", "two words"}));
  EXPECT_TRUE(connection->openURL("https://example.org/download"));
  connection->addNotification({"n1", "Title", "Body", true});
  const nlohmann::json journal = session.query("journal");
  ASSERT_EQ(journal.size(), 3U) << journal.dump();
  EXPECT_EQ(journal[0]["path"], "/bin/true");
  EXPECT_EQ(journal[0]["arguments"], nlohmann::json({"--flag", "two words"}));
  EXPECT_EQ(journal[1]["url"], "https://example.org/download");
  EXPECT_EQ(journal[2]["title"], "Title");
  // Past its capacity the journal keeps the latest entries and says how many it dropped.
  for (int index = 0; index < 5; ++index) {
    EXPECT_TRUE(connection->openURL("https://example.org/" + std::string(65536, 'x')));
  }
  const nlohmann::json kept = session.query("journal");
  ASSERT_EQ(wire::stringAt(kept[0], "kind"), "dropped");
  const std::int64_t dropped = wire::integerAt(kept[0], "count").value_or(0);
  EXPECT_EQ(dropped + std::ssize(kept) - 1, 8);
  EXPECT_TRUE(session.ctl("journal").stdoutText.starts_with("(" + std::to_string(dropped) +
                                                            " older entries dropped)\n"));

  EXPECT_TRUE(connection->terminateApplication(::getpid()));
  ASSERT_TRUE(loop.runUntil([&] { return application->isTerminated(); }, 10s));
  EXPECT_TRUE(session.application("org.test.program").is_null());
}

// Clients that send requests without end and never read the answers are dropped once their unsent
// answers pass the daemon's bound; a program on the desktop is answered all along, within the time
// after which it would count the desktop as gone.
TEST_F(DaemonConnectionTest, ClientsThatNeverReadAreDroppedAndProgramsAreStillAnswered) {
  std::vector<DesktopChannel> flooding;
  for (int index = 0; index < 5; ++index) {
    auto channel = DesktopChannel::connect(DesktopChannel::socketPath(session.desktopFolder()));
    ASSERT_TRUE(channel);
    flooding.push_back(std::move(*channel));
  }
  std::string requests;
  for (int index = 0; index < 1000; ++index) {
    requests += R"({"id": 1, "op": "show"})"
                "\n";
  }
  std::atomic<std::size_t> dropped = 0;
  std::vector<std::jthread> senders;
  senders.reserve(flooding.size());
  for (const DesktopChannel& channel : flooding) {
    senders.emplace_back([&, fd = channel.fileDescriptor()] {
      while (DesktopChannel::sendAll(fd, requests)) {
      }
      ++dropped;
    });
  }
  while (dropped < flooding.size() && !application->isTerminated()) {
    EXPECT_EQ(connection->runningApplications().size(), 2U);
    loop.runUntilIdle();
  }
  EXPECT_FALSE(application->isTerminated());
  for (const DesktopChannel& channel : flooding) {
    ::shutdown(channel.fileDescriptor(), SHUT_RDWR);  // ends the senders in any case
  }
}

// The desktop's side of a shortcut press, for a program of another process as for this one.
TEST_F(DaemonConnectionTest, HotKeyBelongsToOneConnectionAndItsPressesReachThatProgramsLoop) {
  std::vector<platform::DesktopEvent> events;
  auto line = platform::DaemonConnection::connect(session.desktopFolder(), loop);
  ASSERT_TRUE(line);
  auto owner = std::make_unique<platform::DesktopConnection>(std::move(*line));
  owner->setEventHandler([&](const platform::DesktopEvent& event) { events.push_back(event); });
  const auto chord = platform::parseKeyChord("command+option+b").value_or(platform::KeyChord{});
  const std::uint32_t signature = platform::fourCharCode("TEST");
  std::uint64_t registration = 0;
  std::uint64_t refused = 0;
  ASSERT_EQ(owner->registerHotKey(chord.keyCode, chord.carbonModifiers, signature, 7, registration),
            platform::noErr);
  EXPECT_EQ(connection->registerHotKey(chord.keyCode, chord.carbonModifiers, signature, 1, refused),
            platform::eventHotKeyExistsErr);

  EXPECT_EQ(session.ctl("press", "command+option+b").exitStatus, 0);
  ASSERT_TRUE(loop.runUntil([&] { return !events.empty(); }, 10s));
  EXPECT_EQ(events[0].kind, platform::DesktopEvent::Kind::hotKeyPressed);
  EXPECT_EQ(events[0].hotKeySignature, signature);
  EXPECT_EQ(events[0].hotKeyId, 7U);
  owner->unregisterHotKey(registration);
  EXPECT_EQ(session.ctl("press", "command+option+b").exitStatus, 1);
}

TEST_F(DaemonConnectionTest, ProgramTerminatesWhenTheDesktopGoesAway) {
  // Shut down without logging out first, as a daemon that dies does.
  auto control = platform::DesktopChannel::connect(
      platform::DesktopChannel::socketPath(session.desktopFolder()));
  ASSERT_TRUE(control && control->request("shutdown"));
  EXPECT_TRUE(loop.runUntil([&] { return application->isTerminated(); }, 10s));
  // Calls after the end fail quietly.
  EXPECT_TRUE(connection->runningApplications().empty());
  EXPECT_FALSE(connection->openURL("https://example.org"));
  EXPECT_EQ(session.stop().exitStatus, 1) << "no daemon is left to stop";
}

// A daemon that takes the connection and then never answers counts as gone once a request has
// waited its time, as a closed socket does: the request fails, the program is asked to terminate
// and later calls fail at once.
TEST(DaemonConnectionTimeout, ADaemonThatStopsAnsweringCountsAsGone) {
  const testsupport::TemporaryFolder folder;
  const int silent = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
  std::ranges::copy(DesktopChannel::socketPath(folder.path()).string(), address.sun_path);
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the sockets API takes sockaddr*
  ASSERT_EQ(::bind(silent, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(silent, 1), 0);
  platform::PollEventLoop loop;
  auto line = platform::DaemonConnection::connect(folder.path(), loop, 100ms);
  ASSERT_TRUE(line);
  platform::DesktopConnection connection(std::move(*line));
  bool terminate = false;
  connection.setEventHandler([&](const platform::DesktopEvent& event) {
    terminate |= event.kind == platform::DesktopEvent::Kind::terminate;
  });

  EXPECT_FALSE(connection.openURL("https://example.org"));
  EXPECT_TRUE(loop.runUntil([&] { return terminate; }, 10s));
  EXPECT_TRUE(connection.runningApplications().empty());
  ::close(silent);
}

// Ferrolin in the system's and then in the user's applications, opened as the launcher does.
TEST_F(DesktopTest, OpenStartsEachBundleOnceAndFerrolinHidesOnItsTriggerAndQuitsWhenAskedTo) {
  const auto system = session.desktopFolder() / "root" / "Applications" / "Ferrolin.app";
  ASSERT_TRUE(files.copyItem(builtFerrolinBundle(), system));
  testsupport::BackgroundProcess started = waitFor("app");
  ASSERT_EQ(
      open({system.string(), "--args", "--quorrel-launch-fullscreen", "two words"}).exitStatus, 0);
  ASSERT_EQ(open({"https://example.com/download?v=2"}).exitStatus, 0);
  EXPECT_EQ(started.wait(), 0);
  // In front, with its window up, watching its command trigger.
  ASSERT_EQ(session.ctl("wait", "window", "Ferrolin").exitStatus, 0);
  const nlohmann::json app = session.application(ferrolinIdentifier);
  EXPECT_EQ(wire::boolAt(app, "frontmost"), true);
  EXPECT_EQ(wire::stringAt(app, "activationPolicy"), "regular");
  EXPECT_NE(session.ctl("journal").stdoutText.find(
                "started " + executableIn(system).string() +
                R"( --quorrel-launch-fullscreen "two words" (pid )" + std::to_string(pidOf(app)) +
                ")\nopened https://example.com/download?v=2"),
            std::string::npos);

  // Each "hide" hides it. "show" leaves the work to the launcher, which opens it again (by path,
  // then by identifier, passing over a bundle of another one): the running instance comes to the
  // front instead of a second one starting.
  writeFile(session.home() / "Applications" / "Other.app" / "Contents" / "Info.plist",
            R"(<plist version="1.0"><dict><key>CFBundleIdentifier</key>)"
            R"(<string>com.example.other</string><key>CFBundleExecutable</key>)"
            R"(<string>Other</string></dict></plist>)");
  for (const Words& again : {Words{system.string()}, Words{"-b", ferrolinIdentifier}}) {
    EXPECT_TRUE(files.writeAtomically(session.tmp() / "quorrel-command.trigger", "hide"));
    ASSERT_EQ(session.ctl("wait", "hidden", ferrolinIdentifier).exitStatus, 0);
    EXPECT_EQ(wire::boolAt(session.application(ferrolinIdentifier), "frontmost"), false);
    EXPECT_TRUE(files.writeAtomically(session.tmp() / "quorrel-command.trigger", "show"));
    ASSERT_EQ(open(again).exitStatus, 0);
    // Shown: no longer hidden, and in front.
    EXPECT_EQ(session.ctl("wait", "shown", ferrolinIdentifier, "--timeout", "0").exitStatus, 0);
  }
  EXPECT_EQ(startsOf(executableIn(system)).size(), 1U);

  // The user's applications come first: another bundle, so started beside the running one.
  const auto home = session.home() / "Applications" / "Ferrolin.app";
  ASSERT_TRUE(files.copyItem(builtFerrolinBundle(), home));
  ASSERT_EQ(open({"-b", ferrolinIdentifier, "--args", "one"}).exitStatus, 0);
  const auto fromHome = startsOf(executableIn(home));
  ASSERT_EQ(fromHome.size(), 1U);
  EXPECT_EQ(wire::stringsAt(fromHome[0], "arguments"), Words{"one"});

  auto channel = DesktopChannel::connect(DesktopChannel::socketPath(session.desktopFolder()));
  ASSERT_TRUE(channel.has_value()) << channel.error().localizedDescription;
  EXPECT_EQ(channel->request("terminateApplication", {{"pid", pidOf(app)}}), nlohmann::json(true));
  EXPECT_TRUE(eventually([&] { return ::kill(pidOf(app), 0) != 0; })) << "the process has ended";
  EXPECT_TRUE(eventually([&] {
    return pidOf(session.application(ferrolinIdentifier)) == wire::integerAt(fromHome[0], "pid");
  })) << "the other one runs on";
}

TEST_F(DesktopTest, OpenFailsWithAMessageWhenThereIsNothingToOpen) {
  writeFile(session.home() / "notes.txt", "text");
  const auto missing = (session.home() / "Missing.app").string();
  for (const auto& [arguments, message] : std::vector<std::pair<Words, std::string>>{
           {{missing}, "The file " + missing + " does not exist."},
           {{"-b", "com.example.none"}, "Unable to find application with bundle identifier"},
           {{(session.home() / "notes.txt").string()}, "not an application"},
           {{}, "Usage: open"},
           {{"-b"}, "Usage: open"},
           {{"-x", builtFerrolinBundle().string()}, "Unknown option: -x"},
           {{"https://example.com", "--args", "x"}, "--args"}}) {
    expectRefused(open(arguments), 1, message, testing::PrintToString(arguments));
  }
  EXPECT_EQ(session.query("journal"), nlohmann::json::array());
}

TEST_F(DesktopTest, LoginAndLaunchctlStartReplaceAndStopTheProgramsOfAgents) {
  const std::string service = guiDomain() + "/app.ferrolin.agent";
  const std::string program = executableIn(builtFerrolinBundle()).string();
  const auto agent = session.home() / "Library" / "LaunchAgents" / "app.ferrolin.agent.plist";
  writeFile(agent, R"(<plist version="1.0"><dict><key>Label</key><string>app.ferrolin.agent)"
                   "</string><key>ProgramArguments</key><array><string>" +
                       program +
                       "</string><string>--from-agent</string></array><key>RunAtLoad</key>"
                       "<true/></dict></plist>");

  testsupport::BackgroundProcess started = waitFor("app");
  const ToolResult login = session.ctl("login");
  ASSERT_EQ(login.exitStatus, 0) << login.stderrText;
  EXPECT_EQ(login.stdoutText, "app.ferrolin.agent\n");
  ASSERT_EQ(started.wait(), 0);
  const pid_t first = pidOf(session.application(ferrolinIdentifier));
  const std::string pid = std::to_string(first);
  // Only the agent's program: starting the desktop itself is not a program start on it.
  EXPECT_EQ(
      session.query("journal"),
      nlohmann::json::parse(R"([{"kind": "programStarted", "pid": )" + pid + R"(, "path": ")" +
                            program + R"(", "arguments": ["--from-agent"]}])"));
  const nlohmann::json loaded = session.query("launchd");
  ASSERT_EQ(loaded.size(), 1U) << loaded.dump();
  EXPECT_EQ(wire::stringAt(loaded[0], "path"), agent.string());
  EXPECT_NE(session.ctl("launchd").stdoutText.find("app.ferrolin.agent"), std::string::npos);

  expectRefused(launchctl({"bootstrap", guiDomain(), agent.string()}), 5,
                "Bootstrap failed: 5: Input/output error\nThe service \"app.ferrolin.agent\"",
                "bootstrap again");
  const ToolResult printed = launchctl({"print", service});
  ASSERT_EQ(printed.exitStatus, 0) << printed.stderrText;
  EXPECT_TRUE(printed.stdoutText.starts_with(service + " = {\n\tpath = " + agent.string() +
                                             "\n\tstate = running\n"))
      << printed.stdoutText;
  EXPECT_NE(printed.stdoutText.find("\tpid = " + pid + "\n}"), std::string::npos);

  // Without -k a running program is left alone; with it, it is replaced.
  EXPECT_EQ(launchctl({"kickstart", service}).exitStatus, 0);
  EXPECT_EQ(startsOf(program).size(), 1U);
  ASSERT_EQ(launchctl({"kickstart", "-k", service}).exitStatus, 0);
  ASSERT_EQ(startsOf(program).size(), 2U);
  EXPECT_TRUE(eventually([&] { return ::kill(first, 0) != 0; })) << "the first one was stopped";
  EXPECT_TRUE(eventually([&] {
    return pidOf(session.application(ferrolinIdentifier)) ==
           wire::integerAt(startsOf(program).back(), "pid");
  }));

  testsupport::BackgroundProcess gone = waitFor("gone");
  ASSERT_EQ(launchctl({"bootout", guiDomain(), agent.string()}).exitStatus, 0);
  EXPECT_EQ(gone.wait(), 0);
  EXPECT_EQ(session.query("launchd"), nlohmann::json::array());
  expectRefused(launchctl({"bootout", guiDomain(), agent.string()}), 3,
                "Boot-out failed: 3: No such process", "bootout again");
  expectRefused(launchctl({"kickstart", "-k", service}), 113,
                "Could not find service \"app.ferrolin.agent\"", "kickstart");

  // Loaded afresh; logging out stops it and unloads every agent.
  testsupport::BackgroundProcess restarted = waitFor("app");
  ASSERT_EQ(launchctl({"bootstrap", guiDomain(), agent.string()}).exitStatus, 0);
  ASSERT_EQ(restarted.wait(), 0);
  testsupport::BackgroundProcess loggedOut = waitFor("gone");
  ASSERT_EQ(session.ctl("logout").exitStatus, 0);
  EXPECT_EQ(loggedOut.wait(), 0);
  EXPECT_EQ(session.ctl("launchd").stdoutText, "");
}

TEST_F(DesktopTest, LaunchctlRefusesOtherDomainsMalformedCommandsAndFilesThatAreNoAgents) {
  const std::string missing = (session.home() / "missing.plist").string();
  const std::string broken = (session.home() / "broken.plist").string();
  writeFile(broken,
            R"(<plist version="1.0"><dict><key>Label</key><string>x</string></dict></plist>)");
  const std::string otherUser = "gui/" + std::to_string(::getuid() + 1);
  const std::map<int, std::string> messages = {
      {5, "Bootstrap failed: 5: Input/output error\n"}, {64, "Usage: launchctl"}, {112, "domain"}};
  for (const auto& [arguments, status] : std::vector<std::pair<Words, int>>{
           {{"bootstrap", guiDomain(), missing}, 5},
           {{"bootstrap", guiDomain(), broken}, 5},
           {{"bootstrap", "system", missing}, 112},
           {{"kickstart", "-k", otherUser + "/app.ferrolin.agent"}, 112},
           {{"print", "user/" + std::to_string(::getuid()) + "/app.ferrolin.agent"}, 112},
           {{}, 64},
           {{"load", missing}, 64},
           {{"bootstrap", guiDomain()}, 64},
           {{"bootout", guiDomain(), missing, "extra"}, 64},
           {{"kickstart", "-k", guiDomain()}, 64},
           {{"print", "app.ferrolin.agent"}, 64}}) {
    expectRefused(launchctl(arguments), status, messages.at(status),
                  testing::PrintToString(arguments));
  }
  // An agent whose program cannot start stays loaded, idle, and once its file is gone it is booted
  // out by its path.
  const auto idle = session.home() / "idle.plist";
  writeFile(idle, R"(<plist version="1.0"><dict><key>Label</key><string>org.example.idle)"
                  R"(</string><key>Program</key><string>/nonexistent/program</string>)"
                  R"(<key>RunAtLoad</key><true/></dict></plist>)");
  ASSERT_EQ(launchctl({"bootstrap", guiDomain(), idle.string()}).exitStatus, 0);
  EXPECT_NE(launchctl({"print", guiDomain() + "/org.example.idle"}).stdoutText.find("not running"),
            std::string::npos);
  expectRefused(launchctl({"kickstart", guiDomain() + "/org.example.idle"}), 1,
                "Kickstart of \"org.example.idle\" failed", "kickstart");
  std::filesystem::remove(idle);
  EXPECT_EQ(launchctl({"bootout", guiDomain(), idle.string()}).exitStatus, 0);
  EXPECT_EQ(session.query("launchd"), nlohmann::json::array());
}

}  // namespace
