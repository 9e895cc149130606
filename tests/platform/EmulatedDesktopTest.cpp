#include "model/EmulatedDesktop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Application.h"
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

}  // namespace
