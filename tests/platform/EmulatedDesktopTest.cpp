#include "model/EmulatedDesktop.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/Application.h"
#include "platform/DesktopWire.h"
#include "platform/PollEventLoop.h"
#include "platform/Sound.h"
#include "platform/Workspace.h"

namespace {

using namespace platform;

class EmulatedDesktopTest : public ::testing::Test {
 protected:
  EmulatedDesktop desktop;
  PollEventLoop loop;
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
      *connection, *connection, *connection, loop,
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

// Screens the desktop could not draw are refused with a sentence and the screens stay as they were.
TEST_F(EmulatedDesktopTest, ScreensThatCannotBeDrawnAreRefused) {
  const double infinity = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<ScreenDescription> before = desktop.screens();
  for (const auto& [screens, sentence] :
       std::vector<std::pair<std::vector<ScreenDescription>, std::string>>{
           {{{"Wide", 1, {0, 0, 3e9, 900}, 1}}, "is 3e+09 by 900 points at scale 1: the desktop"},
           {{{"Retina", 1, {0, 0, 1440, 8200}, 2}}, "at most 16384 pixels on a side"},
           {{{"Huge", 1, {0, 0, 1e5, 1e5}, 1}}, "at most 16384 pixels on a side"},
           {{{"Flat", 1, {0, 0, 1440, 0}, 1}}, "needs a width, a height and a scale above 0"},
           {{{"Back", 1, {0, 0, -1440, 900}, 1}}, "above 0"},
           {{{"Unscaled", 1, {0, 0, 1440, 900}, 0}}, "above 0"},
           {{{"Unknown", 1, {0, 0, nan, 900}, 1}}, "above 0"},
           {{{"Endless", 1, {0, 0, 1440, 900}, infinity}}, "above 0"},
           {{{"Far", 1, {infinity, 0, 1440, 900}, 1}}, "needs a position of finite numbers"},
           {{{"Main", 1, {0, 0, 1440, 900}, 2}, {"Side", 2, {7000, 0, 1440, 900}, 1}},
            "The screens together span 8440 by 900 points at scale 2"},
           {{{"Main", 1, {0, 0, 1440, 900}, 1}, {"Away", 2, {0, 1e300, 1440, 900}, 1}},
            "together span"}}) {
    const auto set = desktop.setScreens(screens);
    ASSERT_FALSE(set) << sentence;
    EXPECT_NE(set.error().localizedDescription.find(sentence), std::string::npos)
        << set.error().localizedDescription;
    EXPECT_EQ(desktop.screens(), before);
  }
  // At the bound, beside a screen at negative coordinates.
  EXPECT_TRUE(desktop.setScreens(
      {{"Left", 1, {-4096, 0, 4096, 8192}, 2}, {"Right", 2, {0, 0, 4096, 8192}, 2}}));
}

}  // namespace
