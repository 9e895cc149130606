#include "model/EmulatedDesktop.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/DesktopWire.h"
#include "platform/EventLoop.h"
#include "platform/Sound.h"
#include "platform/Workspace.h"

namespace {

using namespace platform;

class EmulatedDesktopTest : public ::testing::Test {
 protected:
  EmulatedDesktop desktop;
  EventLoop loop;
};

// Records the delegate callbacks of a run.
class RecordingDelegate : public ApplicationDelegate {
 public:
  explicit RecordingDelegate(std::vector<std::string>& log) : log_(&log) {}
  void applicationDidFinishLaunching() override { log_->emplace_back("launched"); }
  void applicationWillTerminate() override { log_->emplace_back("will terminate"); }

 private:
  std::vector<std::string>* log_;
};

TEST_F(EmulatedDesktopTest, ARunLaunchesLoopsAndEndsWithTheDelegateTold) {
  std::vector<std::string> log;
  RecordingDelegate delegate(log);
  auto connection = desktop.connect(loop);
  Application application(
      *connection, loop,
      ApplicationIdentity{4001, "com.quorrel.uninstaller", std::nullopt, std::nullopt});
  application.setDelegate(&delegate);
  application.setOnTerminate([&] { log.emplace_back("terminated"); });
  loop.async([&] {
    log.emplace_back("looping");
    EXPECT_EQ(
        RunningApplication::runningApplications("com.quorrel.uninstaller", *connection).size(), 1U);
    playAlertSound(application);
    EXPECT_TRUE(Workspace(*connection).open("http://127.0.0.1:8123/download"));
    application.terminate();
  });

  application.run();
  EXPECT_EQ(log, (std::vector<std::string>{"launched", "looping", "will terminate", "terminated"}));
  EXPECT_TRUE(application.isTerminated());
  EXPECT_TRUE(
      RunningApplication::runningApplications("com.quorrel.uninstaller", *connection).empty());
  ASSERT_EQ(desktop.journal().size(), 2U);
  EXPECT_EQ(desktop.journal()[0].kind, JournalEntry::Kind::alertSound);
  EXPECT_EQ(desktop.journal()[0].pid, 4001);
  EXPECT_EQ(desktop.journal()[1].url, "http://127.0.0.1:8123/download");
}

// The journal keeps its latest entries and counts the older ones it dropped; as the daemon sends
// it, it fits one line of the wire even when every character needs escaping there.
TEST_F(EmulatedDesktopTest, JournalKeepsTheLatestEntriesWithinItsCapacity) {
  auto connection = desktop.connect(loop);
  const std::string address(65536, '\x01');
  constexpr int opened = 40;
  for (int index = 0; index < opened; ++index) {
    EXPECT_TRUE(connection->openURL(address + std::to_string(index)));
  }
  EXPECT_GT(desktop.journalEntriesDropped(), 0U);
  EXPECT_EQ(desktop.journalEntriesDropped() + desktop.journal().size(), opened);
  EXPECT_EQ(desktop.journal().back().url, address + std::to_string(opened - 1));
  nlohmann::json reply = nlohmann::json::array();
  for (const JournalEntry& entry : desktop.journal()) {
    reply.push_back(wire::encode(entry));
  }
  EXPECT_LT(reply.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).size(),
            std::size_t{4} << 20U);
}

}  // namespace
