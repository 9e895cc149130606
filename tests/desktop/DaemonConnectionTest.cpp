// A program's connection to a desktop daemon that runs on its own thread, over the real socket.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "DesktopDaemon.h"
#include "platform/Application.h"
#include "platform/CarbonEvents.h"
#include "platform/DaemonConnection.h"
#include "platform/DesktopChannel.h"
#include "platform/EventLoop.h"
#include "platform/KeyNames.h"
#include "platform/ProcessLauncher.h"
#include "platform/SystemPaths.h"
#include "support/TemporaryFolder.h"

namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t signature = platform::fourCharCode("TEST");

// A daemon serving a temporary desktop folder from its own thread until shut down.
class DaemonThread {
 public:
  explicit DaemonThread(const std::filesystem::path& folder) : folder_(folder) {
    auto listener = desktop::DesktopDaemon::listenIn(folder);
    if (!listener) {
      ADD_FAILURE() << listener.error().localizedDescription;
      return;
    }
    thread_ = std::thread([this, fd = *listener] {
      platform::EventLoop loop;
      desktop::DesktopDaemon daemon(fd, platform::DesktopChannel::socketPath(folder_), loop,
                                    folder_);
      loop.run();
    });
  }
  ~DaemonThread() { stop(); }
  DaemonThread(const DaemonThread&) = delete;
  DaemonThread& operator=(const DaemonThread&) = delete;
  DaemonThread(DaemonThread&&) = delete;
  DaemonThread& operator=(DaemonThread&&) = delete;

  void stop() {
    if (thread_.joinable()) {
      if (auto channel = control()) {
        [[maybe_unused]] const auto stopped = channel->request("shutdown");
      }
      thread_.join();
    }
  }

  platform::Result<platform::DesktopChannel> control() const {
    return platform::DesktopChannel::connect(platform::DesktopChannel::socketPath(folder_));
  }

 private:
  std::filesystem::path folder_;
  std::thread thread_;
};

class DaemonConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto made = platform::DaemonConnection::connect(folder.path(), loop);
    ASSERT_TRUE(made) << made.error().localizedDescription;
    connection = std::move(*made);
    application = std::make_unique<platform::Application>(
        *connection, loop,
        platform::ApplicationIdentity{::getpid(), "org.test.program", "/Applications/Test.app",
                                      std::nullopt});
    auto channel = daemon.control();
    ASSERT_TRUE(channel) << channel.error().localizedDescription;
    control = std::make_unique<platform::DesktopChannel>(std::move(*channel));
  }

  // Runs the program's loop until the condition holds (or a generous deadline passes).
  bool runUntil(const std::function<bool()>& condition) { return loop.runUntil(condition, 10s); }

  nlohmann::json request(const std::string& op, nlohmann::json fields = nlohmann::json::object()) {
    auto reply = control->request(op, std::move(fields));
    return reply ? *reply : nlohmann::json{{"failed", reply.error().code}};
  }

  testsupport::TemporaryFolder folder;
  DaemonThread daemon{folder.path()};
  platform::EventLoop loop;
  std::unique_ptr<platform::DaemonConnection> connection;
  std::unique_ptr<platform::Application> application;
  std::unique_ptr<platform::DesktopChannel> control;
};

TEST_F(DaemonConnectionTest, ProgramIsListedAsTheProcessAtTheOtherEnd) {
  application->finishLaunching();
  const nlohmann::json apps = request("apps");
  ASSERT_EQ(apps.size(), 2U) << apps.dump();
  EXPECT_EQ(apps[1]["pid"], ::getpid());
  EXPECT_EQ(apps[1]["bundleIdentifier"], "org.test.program");
  EXPECT_EQ(apps[1]["frontmost"], true);

  // The program sees itself and the built-in application the same way.
  const auto running = connection->runningApplications();
  ASSERT_EQ(running.size(), 2U);
  EXPECT_EQ(running[0].bundleIdentifier, platform::EmulatedDesktop::otherApplicationIdentifier);
  EXPECT_EQ(connection->frontmostApplication(), ::getpid());
  EXPECT_EQ(connection->screens().size(), 1U);
  EXPECT_EQ(connection->preferredLanguages(), std::vector<std::string>{"en-US"});

  EXPECT_TRUE(request("focus", {{"bundleIdentifier", "org.example.other"}}).is_null());
  EXPECT_EQ(connection->frontmostApplication(), 1);
}

TEST_F(DaemonConnectionTest, HotKeyPressReachesTheHandlerOnTheProgramsLoop) {
  application->finishLaunching();
  platform::EventTarget target(*application);
  struct Pressed {
    std::vector<std::uint32_t> ids;
    std::thread::id thread;
  } pressed;
  const platform::EventTypeSpec type{platform::kEventClassKeyboard, platform::kEventHotKeyPressed};
  ASSERT_EQ(platform::InstallEventHandler(
                &target,
                [](platform::EventHandlerCallRef, platform::EventRef event, void* data) {
                  platform::EventHotKeyID id;
                  const platform::OSStatus status = platform::GetEventParameter(
                      event, platform::kEventParamDirectObject, platform::typeEventHotKeyID,
                      nullptr, sizeof id, nullptr, &id);
                  auto* record = static_cast<Pressed*>(data);
                  record->ids.push_back(id.id);
                  record->thread = std::this_thread::get_id();
                  return status;
                },
                1, &type, &pressed, nullptr),
            platform::noErr);
  const auto parsed = platform::parseKeyChord("command+option+b");
  ASSERT_TRUE(parsed);
  const platform::KeyChord chord = parsed.value_or(platform::KeyChord{});
  platform::EventHotKeyRef hotKey = nullptr;
  ASSERT_EQ(platform::RegisterEventHotKey(chord.keyCode, chord.carbonModifiers, {signature, 7},
                                          &target, 0, &hotKey),
            platform::noErr);

  EXPECT_TRUE(request("press", {{"shortcut", "command+option+b"}}).is_null());
  ASSERT_TRUE(runUntil([&] { return !pressed.ids.empty(); }));
  EXPECT_EQ(pressed.ids, std::vector<std::uint32_t>{7});
  EXPECT_EQ(pressed.thread, std::this_thread::get_id());

  // Another connection cannot take the same combination; once freed, nobody holds it.
  auto other = platform::DaemonConnection::connect(folder.path(), loop);
  ASSERT_TRUE(other);
  std::uint64_t registration = 0;
  EXPECT_EQ(
      (*other)->registerHotKey(chord.keyCode, chord.carbonModifiers, signature, 1, registration),
      platform::eventHotKeyExistsErr);
  EXPECT_EQ(platform::UnregisterEventHotKey(hotKey), platform::noErr);
  EXPECT_EQ(request("press", {{"shortcut", "command+option+b"}}), nlohmann::json({{"failed", 1}}));
}

TEST_F(DaemonConnectionTest, RequestsOfOtherProgramsReachTheProgram) {
  application->finishLaunching();
  const pid_t self = ::getpid();
  // The desktop tells the program what it did to it: hidden, then brought back.
  EXPECT_TRUE(request("focus", {{"bundleIdentifier", "org.test.program"}}).is_null());
  EXPECT_TRUE(connection->hideApplication(self));
  EXPECT_TRUE(connection->unhideApplication(self));
  ASSERT_TRUE(runUntil([&] { return !request("apps")[1]["hidden"].get<bool>(); }));
  EXPECT_TRUE(connection->terminateApplication(self));
  ASSERT_TRUE(runUntil([&] { return application->isTerminated(); }));
  EXPECT_EQ(request("apps").size(), 1U);
}

TEST_F(DaemonConnectionTest, ProgramTerminatesWhenTheDesktopGoesAway) {
  application->finishLaunching();
  daemon.stop();
  EXPECT_TRUE(runUntil([&] { return application->isTerminated(); }));
  // Calls after the end fail quietly.
  EXPECT_TRUE(connection->runningApplications().empty());
  EXPECT_FALSE(connection->openURL("https://example.org"));
}

TEST_F(DaemonConnectionTest, JournalListsProgramsStartedByAnyone) {
  const platform::ProcessLauncher launcher(platform::SystemPaths(folder.path()));
  const auto status = launcher.run("/bin/true", {"--flag", "two words"});
  ASSERT_TRUE(status);
  EXPECT_TRUE(connection->openURL("https://example.org/download"));
  connection->addNotification({"n1", "Title", "Body", true});

  const nlohmann::json journal = request("journal");
  ASSERT_EQ(journal.size(), 3U) << journal.dump();
  EXPECT_EQ(journal[0]["kind"], "programStarted");
  EXPECT_EQ(journal[0]["path"], "/bin/true");
  EXPECT_EQ(journal[0]["arguments"], nlohmann::json({"--flag", "two words"}));
  EXPECT_EQ(journal[1]["url"], "https://example.org/download");
  EXPECT_EQ(journal[2]["title"], "Title");
}

TEST_F(DaemonConnectionTest, WaitAnswersWhenTheConditionComesTrue) {
  // A second channel waits while the program checks in.
  auto waiter = daemon.control();
  ASSERT_TRUE(waiter);
  std::thread waiting([&] {
    const auto reply =
        waiter->request("wait", {{"what", "app"}, {"name", "org.test.program"}, {"timeout", 30}});
    EXPECT_TRUE(reply) << (reply ? "" : reply.error().localizedDescription);
  });
  application->finishLaunching();
  waiting.join();

  const auto timedOut =
      control->request("wait", {{"what", "gone"}, {"name", "org.test.program"}, {"timeout", 0.05}});
  ASSERT_FALSE(timedOut);
  EXPECT_EQ(timedOut.error().code, 1);
  const auto bad = control->request("wait", {{"what", "nothing"}});
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.error().code, 2);
}

}  // namespace
