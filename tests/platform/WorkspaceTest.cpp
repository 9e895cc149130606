#include "platform/Workspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "model/EmulatedDesktop.h"
#include "platform/GlobalQueue.h"
#include "platform/Locale.h"
#include "platform/PollEventLoop.h"
#include "platform/Screen.h"
#include "platform/UserNotifications.h"
#include "support/DesktopProgram.h"

namespace {

using namespace std::chrono_literals;
using platform::ActivationOptions;
using platform::ActivationPolicy;
using platform::RunningApplication;
using platform::Workspace;
using testsupport::DesktopProgram;

std::vector<pid_t> pidsOf(const std::vector<RunningApplication>& applications) {
  std::vector<pid_t> pids;
  pids.reserve(applications.size());
  for (const RunningApplication& application : applications) {
    pids.push_back(application.processIdentifier());
  }
  return pids;
}

// -1 when no application is frontmost.
pid_t frontmostPid(const Workspace& workspace) {
  const std::optional<RunningApplication> front = workspace.frontmostApplication();
  return front ? front->processIdentifier() : -1;
}

// Two instances of Ferrolin and, launched last, the launcher (an accessory application) on the
// in-process desktop, seen through the launcher's connection.
class WorkspaceTest : public testing::Test {
 protected:
  platform::EmulatedDesktop desktop;
  platform::PollEventLoop loop;
  DesktopProgram ferrolin{desktop,
                          loop,
                          200,
                          "app.ferrolin.desktop",
                          ActivationPolicy::regular,
                          "/Users/u/Applications/Ferrolin.app"};
  DesktopProgram another{desktop, loop, 400, "app.ferrolin.desktop"};
  DesktopProgram launcher{desktop, loop, 300, "com.quorrel.launcher", ActivationPolicy::accessory};
  platform::DesktopConnection& seenFrom = *launcher.connection;
  const Workspace workspace{seenFrom};
};

TEST_F(WorkspaceTest, ListsTheDesktopsApplicationsAndReadsTheirStateOnEveryCall) {
  const std::vector<RunningApplication> targets =
      RunningApplication::runningApplications("app.ferrolin.desktop", seenFrom);
  EXPECT_EQ(pidsOf(targets), (std::vector<pid_t>{200, 400}));
  EXPECT_TRUE(RunningApplication::runningApplications("com.example.absent", seenFrom).empty());
  EXPECT_EQ(pidsOf(workspace.runningApplications()), (std::vector<pid_t>{1, 200, 400, 300}));
  EXPECT_EQ(frontmostPid(workspace), 400) << "an accessory application leaves the front alone";

  // Changes made by someone else show at once.
  const RunningApplication& target = targets.front();
  EXPECT_FALSE(target.isActive());
  ASSERT_TRUE(desktop.focus("app.ferrolin.desktop"));
  EXPECT_TRUE(target.isActive());
  EXPECT_EQ(frontmostPid(workspace), 200);
  EXPECT_EQ(RunningApplication(200, seenFrom).bundleURL(), "/Users/u/Applications/Ferrolin.app");
  desktop.focusNone();
  EXPECT_EQ(frontmostPid(workspace), -1);
  EXPECT_FALSE(target.isActive());
  ASSERT_TRUE(desktop.hideApplication(200));
  EXPECT_TRUE(target.isHidden());
  EXPECT_FALSE(target.isTerminated());

  // Gone from the desktop: terminated, and still says who it was.
  ASSERT_TRUE(desktop.forceTerminateApplication(200));
  EXPECT_TRUE(target.isTerminated());
  EXPECT_FALSE(target.isHidden());
  EXPECT_EQ(target.bundleIdentifier(), "app.ferrolin.desktop");

  // A pid the desktop never listed has no identity.
  const RunningApplication stranger(999, seenFrom);
  EXPECT_TRUE(stranger.isTerminated());
  EXPECT_EQ(stranger.bundleIdentifier(), std::nullopt);
}

TEST_F(WorkspaceTest, RequestsReachTheDesktopAndAPoliteTerminateWaitsForTheProgram) {
  RunningApplication target(200, seenFrom);
  EXPECT_TRUE(target.hide());
  EXPECT_TRUE(target.isHidden());
  EXPECT_TRUE(target.unhide());
  EXPECT_FALSE(target.isHidden());
  EXPECT_TRUE(target.activate(ActivationOptions::activateAllWindows));
  EXPECT_EQ(frontmostPid(workspace), 200);

  // The request is delivered; the program quits when its loop gets to it.
  EXPECT_TRUE(target.terminate());
  EXPECT_FALSE(target.isTerminated());
  loop.runUntilIdle();
  EXPECT_TRUE(ferrolin.application.isTerminated());
  EXPECT_TRUE(target.isTerminated());

  // A program that does not get round to quitting is ended by force, at once.
  RunningApplication stubborn(400, seenFrom);
  EXPECT_TRUE(stubborn.terminate());
  EXPECT_FALSE(stubborn.isTerminated());
  EXPECT_TRUE(stubborn.forceTerminate());
  EXPECT_TRUE(stubborn.isTerminated());
  EXPECT_TRUE(RunningApplication::runningApplications("app.ferrolin.desktop", seenFrom).empty());

  // Requests to an application that has gone are not delivered, and the built-in application is
  // not one of ours to end.
  EXPECT_FALSE(target.hide());
  EXPECT_FALSE(target.unhide());
  EXPECT_FALSE(target.activate(ActivationOptions::activateAllWindows |
                               ActivationOptions::activateIgnoringOtherApps));
  EXPECT_FALSE(target.terminate());
  EXPECT_FALSE(target.forceTerminate());
  RunningApplication builtIn(1, seenFrom);
  EXPECT_FALSE(builtIn.terminate());
  EXPECT_FALSE(builtIn.forceTerminate());
  EXPECT_FALSE(builtIn.isTerminated());
}

// The desktop is reached only from the loop: neither a question nor a notification gets there
// before the loop runs, even once the completion queue has done everything it was given.
TEST(UserNotificationCenter, AsksAndPostsOnTheLoopAndAnswersInTheBackground) {
  platform::EmulatedDesktop desktop;
  platform::PollEventLoop loop;
  const DesktopProgram launcher{desktop, loop, 2001, "com.quorrel.launcher"};
  platform::GlobalQueue completionQueue{1};
  platform::UserNotificationCenter center{*launcher.connection, loop, completionQueue};
  const std::thread::id loopThread = std::this_thread::get_id();
  std::atomic<int> completions{0};
  std::vector<bool> answers;
  // Asks for authorization and, as the launcher does, posts from the completion when granted.
  auto ask = [&](const std::string& body) {
    center.requestAuthorization(
        platform::AuthorizationOptions::alert | platform::AuthorizationOptions::sound,
        [&, body](bool granted, const std::optional<platform::Error>& error) {
          EXPECT_FALSE(error.has_value());
          EXPECT_NE(std::this_thread::get_id(), loopThread);
          ++completions;
          if (granted) {
            center.add({.identifier = "ferrolin-update-available",
                        .content = {.title = "Ferrolin update available",
                                    .body = body,
                                    .sound = platform::NotificationSound::defaultSound}});
          }
          loop.async([&answers, granted] { answers.push_back(granted); });
        });
  };
  // Twice over, since a block the queue runs may queue another behind the first marker.
  auto drainCompletionQueue = [&] {
    for (int round = 0; round < 2; ++round) {
      std::promise<void> drained;
      completionQueue.async([&drained] { drained.set_value(); });
      drained.get_future().wait();
    }
  };

  ask("Update available: 1.4.0 (installed 1.3.2)");
  center.add({.identifier = "plain", .content = {.title = "Title", .body = "Body"}});
  drainCompletionQueue();
  EXPECT_EQ(completions, 0);
  EXPECT_TRUE(desktop.notifications().empty());
  ASSERT_TRUE(loop.runUntil([&] { return answers.size() == 1; }, 10s));

  // A notification with the same identifier replaces the one shown; a refusal posts nothing.
  ask("Update available: 1.5.0 (installed 1.3.2)");
  ASSERT_TRUE(loop.runUntil([&] { return answers.size() == 2; }, 10s));
  desktop.setNotificationsAuthorized(false);
  ask("Update available: 9.9.9 (installed 1.3.2)");
  ASSERT_TRUE(loop.runUntil([&] { return answers.size() == 3; }, 10s));
  EXPECT_EQ(answers, (std::vector<bool>{true, true, false}));
  EXPECT_EQ(desktop.notifications(), (std::vector<platform::NotificationRecord>{
                                         {"plain", "Title", "Body", false},
                                         {"ferrolin-update-available", "Ferrolin update available",
                                          "Update available: 1.5.0 (installed 1.3.2)", true}}));
  EXPECT_EQ(std::ranges::count_if(
                desktop.journal(),
                [](const platform::JournalEntry& entry) {
                  return entry.kind == platform::JournalEntry::Kind::notificationDelivered &&
                         entry.pid == 2001;
                }),
            3);
}

TEST_F(WorkspaceTest, ScreensAndLanguagesAreTheDesktopsWithTheMainScreenFirst) {
  platform::DesktopConnection& connection = seenFrom;
  EXPECT_EQ(platform::CGDisplayBounds(1, connection), (platform::Rect{0, 0, 1512, 982}));
  ASSERT_TRUE(desktop.setScreens({}));
  EXPECT_TRUE(platform::Screen::screens(connection).empty());
  EXPECT_FALSE(platform::Screen::main(connection));

  ASSERT_TRUE(desktop.setScreens({{"Studio Display", 7, {0, 0, 2560, 1440}, 2.0},
                                  {"Projector", std::nullopt, {1512, 0, 800, 600}, 1.0},
                                  {"Left", 3, {-1280.5, -100, 1280, 1024}, 1.0}}));
  const std::vector<platform::Screen> screens = platform::Screen::screens(connection);
  ASSERT_EQ(screens.size(), 3U);
  EXPECT_EQ(screens[1].localizedName(), "Projector");
  EXPECT_EQ(screens[1].displayNumber(), std::nullopt);
  EXPECT_EQ(screens[1].frame(), (platform::Rect{1512, 0, 800, 600}));
  const std::optional<platform::Screen> main = platform::Screen::main(connection);
  EXPECT_EQ(main ? main->localizedName() : "", "Studio Display");
  // Display bounds are the frame of the screen with that number.
  EXPECT_EQ(platform::CGDisplayBounds(3, connection), (platform::Rect{-1280.5, -100, 1280, 1024}));
  EXPECT_EQ(platform::CGDisplayBounds(0, connection), platform::Rect{});

  EXPECT_EQ(platform::Locale::preferredLanguages(connection), std::vector<std::string>{"en-US"});
  desktop.setPreferredLanguages({"de-DE", "en-US"});
  EXPECT_EQ(platform::Locale::preferredLanguages(connection),
            (std::vector<std::string>{"de-DE", "en-US"}));
}

}  // namespace
