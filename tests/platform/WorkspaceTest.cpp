#include "platform/Workspace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/GlobalQueue.h"
#include "platform/RunningApplicationsModel.h"
#include "platform/Screen.h"
#include "platform/UserNotifications.h"

namespace {

using namespace std::chrono_literals;
using platform::ActivationOptions;
using platform::ActivationPolicy;
using platform::RunningApplication;
using platform::RunningApplicationState;
using platform::ScreenDescription;

// Long enough for a loaded machine; working code gets there far sooner.
constexpr auto generous = 10s;

// A desktop that keeps its running applications in the desktop's own model, returns the screens
// and languages it is given, and records what programs ask of it and on which thread.
class RecordingDesktop : public platform::DesktopConnection {
 public:
  platform::RunningApplicationsModel applications;
  std::set<pid_t> refusesToQuit;
  std::vector<ScreenDescription> attachedScreens;
  std::vector<std::string> languages;
  bool grantsNotifications = true;

  std::vector<std::uint32_t> authorizationRequests;
  std::vector<platform::NotificationRecord> notifications;
  std::set<std::thread::id> notificationThreads;

  void setEventHandler(std::function<void(const platform::DesktopEvent&)> /*handler*/) override {}
  void checkIn(const platform::ApplicationIdentity& /*identity*/,
               ActivationPolicy /*policy*/) override {}
  void setActivationPolicy(ActivationPolicy /*policy*/) override {}
  void activate() override {}
  void setHidden(bool /*hidden*/) override {}
  void publishInterface(const nlohmann::json& /*interface*/) override {}
  void checkOut() override {}

  std::vector<RunningApplicationState> runningApplications() override {
    return applications.applications();
  }
  std::optional<pid_t> frontmostApplication() override { return applications.frontmost(); }
  bool hideApplication(pid_t pid) override { return applications.hide(pid); }
  bool unhideApplication(pid_t pid) override { return applications.unhide(pid); }
  bool activateApplication(pid_t pid) override { return applications.activate(pid); }
  bool terminateApplication(pid_t pid) override {
    return !refusesToQuit.contains(pid) && applications.terminate(pid);
  }
  bool forceTerminateApplication(pid_t pid) override { return applications.terminate(pid); }

  std::int32_t registerHotKey(std::uint32_t /*keyCode*/, std::uint32_t /*modifiers*/,
                              std::uint32_t /*signature*/, std::uint32_t /*id*/,
                              std::uint64_t& /*registration*/) override {
    return 0;
  }
  void unregisterHotKey(std::uint64_t /*registration*/) override {}

  bool requestNotificationAuthorization(std::uint32_t options) override {
    notificationThreads.insert(std::this_thread::get_id());
    authorizationRequests.push_back(options);
    return grantsNotifications;
  }
  void addNotification(const platform::NotificationRecord& notification) override {
    notificationThreads.insert(std::this_thread::get_id());
    notifications.push_back(notification);
  }
  bool openURL(const std::string& /*url*/) override { return false; }
  void playAlertSound() override {}

  std::vector<ScreenDescription> screens() override { return attachedScreens; }
  std::vector<std::string> preferredLanguages() override { return languages; }
};

RunningApplicationState app(pid_t pid, const std::string& bundleIdentifier,
                            ActivationPolicy policy = ActivationPolicy::regular) {
  return {.pid = pid,
          .bundleIdentifier = bundleIdentifier,
          .bundlePath = "/Users/u/Applications/" + std::to_string(pid) + ".app",
          .activationPolicy = policy};
}

std::vector<pid_t> pidsOf(const std::vector<RunningApplication>& applications) {
  std::vector<pid_t> pids;
  pids.reserve(applications.size());
  for (const RunningApplication& application : applications) {
    pids.push_back(application.processIdentifier());
  }
  return pids;
}

class RunningApplicationTest : public testing::Test {
 protected:
  void SetUp() override {
    desktop.applications.launch(app(100, "org.example.other"));
    desktop.applications.launch(app(200, "app.ferrolin.desktop"));
    desktop.applications.launch(app(300, "com.quorrel.launcher", ActivationPolicy::accessory));
    desktop.applications.launch(app(400, "app.ferrolin.desktop"));
  }

  RecordingDesktop desktop;
};

TEST_F(RunningApplicationTest, ListsApplicationsOfABundleIdentifierInLaunchOrder) {
  const std::vector<RunningApplication> targets =
      RunningApplication::runningApplications("app.ferrolin.desktop", desktop);
  EXPECT_EQ(pidsOf(targets), (std::vector<pid_t>{200, 400}));
  EXPECT_EQ(targets.front().bundleIdentifier(), "app.ferrolin.desktop");
  EXPECT_EQ(targets.front().bundleURL(), "/Users/u/Applications/200.app");
  EXPECT_TRUE(RunningApplication::runningApplications("com.example.absent", desktop).empty());

  EXPECT_EQ(pidsOf(platform::Workspace(desktop).runningApplications()),
            (std::vector<pid_t>{100, 200, 300, 400}));
}

TEST_F(RunningApplicationTest, ReadsItsStateFromTheDesktopOnEveryCall) {
  RunningApplication target(200, desktop);
  EXPECT_FALSE(target.isActive());
  EXPECT_FALSE(target.isHidden());

  // Changes made by someone else show at once.
  desktop.applications.activate(200);
  EXPECT_TRUE(target.isActive());
  desktop.applications.hide(200);
  EXPECT_TRUE(target.isHidden());
  EXPECT_FALSE(target.isActive());
  EXPECT_FALSE(target.isTerminated());

  // Gone from the desktop: terminated, and still says who it was.
  desktop.applications.terminate(200);
  EXPECT_TRUE(target.isTerminated());
  EXPECT_FALSE(target.isHidden());
  EXPECT_FALSE(target.isActive());
  EXPECT_EQ(target.bundleIdentifier(), "app.ferrolin.desktop");

  // A pid the desktop never listed has no identity.
  const RunningApplication stranger(999, desktop);
  EXPECT_TRUE(stranger.isTerminated());
  EXPECT_EQ(stranger.bundleIdentifier(), std::nullopt);
}

TEST_F(RunningApplicationTest, RequestsReachTheDesktop) {
  RunningApplication target(200, desktop);
  EXPECT_TRUE(target.hide());
  EXPECT_TRUE(target.isHidden());
  EXPECT_TRUE(target.unhide());
  EXPECT_FALSE(target.isHidden());
  EXPECT_TRUE(target.activate(ActivationOptions::activateAllWindows));
  EXPECT_EQ(desktop.applications.frontmost(), 200);

  // Requests to an application that has gone are not delivered.
  desktop.applications.terminate(200);
  EXPECT_FALSE(target.hide());
  EXPECT_FALSE(target.unhide());
  EXPECT_FALSE(target.activate(ActivationOptions::activateAllWindows |
                               ActivationOptions::activateIgnoringOtherApps));
  EXPECT_FALSE(target.terminate());
  EXPECT_FALSE(target.forceTerminate());
}

TEST_F(RunningApplicationTest, APoliteTerminateCanBeRefusedAndThenForced) {
  desktop.refusesToQuit.insert(400);
  for (RunningApplication& target :
       RunningApplication::runningApplications("app.ferrolin.desktop", desktop)) {
    if (!target.terminate()) {
      EXPECT_EQ(target.processIdentifier(), 400);
      EXPECT_FALSE(target.isTerminated());
      EXPECT_TRUE(target.forceTerminate());
    }
    EXPECT_TRUE(target.isTerminated());
  }
  EXPECT_TRUE(RunningApplication::runningApplications("app.ferrolin.desktop", desktop).empty());
}

TEST_F(RunningApplicationTest, WorkspaceReportsTheFrontmostApplication) {
  const platform::Workspace workspace(desktop);
  desktop.applications.activate(300);
  const std::optional<RunningApplication> frontmost = workspace.frontmostApplication();
  if (!frontmost) {
    FAIL() << "no frontmost application";
  }
  EXPECT_EQ(frontmost->processIdentifier(), 300);
  EXPECT_EQ(frontmost->bundleIdentifier(), "com.quorrel.launcher");
  EXPECT_TRUE(frontmost->isActive());

  desktop.applications.focusNone();
  EXPECT_FALSE(workspace.frontmostApplication());
}

class UserNotificationCenterTest : public testing::Test {
 protected:
  struct Answer {
    bool granted = false;
    bool hadError = true;
    std::thread::id thread;
  };

  // Runs the loop until the completion's answer has come back to it, as a program's would.
  Answer requestAuthorization(platform::AuthorizationOptions options) {
    std::optional<Answer> answer;
    center.requestAuthorization(
        options, [&](bool granted, const std::optional<platform::Error>& error) {
          const Answer received{granted, error.has_value(), std::this_thread::get_id()};
          loop.async([&answer, received] { answer = received; });
        });
    EXPECT_TRUE(loop.runUntil([&] { return answer.has_value(); }, generous));
    return answer.value_or(Answer{});
  }

  RecordingDesktop desktop;
  platform::EventLoop loop;
  platform::GlobalQueue completionQueue{1};
  platform::UserNotificationCenter center{desktop, loop, completionQueue};
};

TEST_F(UserNotificationCenterTest, AuthorizationIsAskedOnTheLoopAndAnsweredInTheBackground) {
  const Answer granted = requestAuthorization(platform::AuthorizationOptions::alert |
                                              platform::AuthorizationOptions::sound);
  EXPECT_TRUE(granted.granted);
  EXPECT_FALSE(granted.hadError);
  EXPECT_NE(granted.thread, std::this_thread::get_id());

  desktop.grantsNotifications = false;
  const Answer refused = requestAuthorization(platform::AuthorizationOptions::badge);
  EXPECT_FALSE(refused.granted);
  EXPECT_FALSE(refused.hadError);

  EXPECT_EQ(desktop.authorizationRequests, (std::vector<std::uint32_t>{6, 1}));
  EXPECT_EQ(desktop.notificationThreads, std::set{std::this_thread::get_id()});
}

TEST_F(UserNotificationCenterTest, NotificationsAddedFromTheCompletionReachTheDesktopOnTheLoop) {
  bool completed = false;
  center.requestAuthorization(
      platform::AuthorizationOptions::alert, [&](bool granted, const auto& /*error*/) {
        if (granted) {
          center.add({.identifier = "ferrolin-update-available",
                      .content = {.title = "Ferrolin update available",
                                  .body = "Update available: 2.0 (installed 1.0)",
                                  .sound = platform::NotificationSound::defaultSound}});
          center.add({.identifier = "plain", .content = {.title = "Title", .body = "Body"}});
        }
        loop.async([&completed] { completed = true; });
      });
  ASSERT_TRUE(loop.runUntil([&] { return completed; }, generous));

  EXPECT_EQ(desktop.notifications, (std::vector<platform::NotificationRecord>{
                                       {"ferrolin-update-available", "Ferrolin update available",
                                        "Update available: 2.0 (installed 1.0)", true},
                                       {"plain", "Title", "Body", false}}));
  EXPECT_EQ(desktop.notificationThreads, std::set{std::this_thread::get_id()});
}

ScreenDescription screen(const std::string& name, std::optional<std::uint32_t> number,
                         platform::Rect frame) {
  return {.localizedName = name, .displayNumber = number, .frame = frame, .backingScaleFactor = 2};
}

TEST(Screen, ListsTheAttachedScreensWithTheMainOneFirst) {
  RecordingDesktop desktop;
  EXPECT_TRUE(platform::Screen::screens(desktop).empty());
  EXPECT_FALSE(platform::Screen::main(desktop));

  desktop.attachedScreens = {screen("Built-in Display", 1, {0, 0, 1512, 982}),
                             screen("External", std::nullopt, {-1920, 0, 1920, 1080})};
  const std::vector<platform::Screen> screens = platform::Screen::screens(desktop);
  ASSERT_EQ(screens.size(), 2U);
  EXPECT_EQ(screens[0].localizedName(), "Built-in Display");
  EXPECT_EQ(screens[0].displayNumber(), 1U);
  EXPECT_EQ(screens[0].backingScaleFactor(), 2);
  EXPECT_EQ(screens[1].displayNumber(), std::nullopt);
  EXPECT_EQ(screens[1].frame(), (platform::Rect{-1920, 0, 1920, 1080}));
  const std::optional<platform::Screen> main = platform::Screen::main(desktop);
  if (!main) {
    FAIL() << "no main screen";
  }
  EXPECT_EQ(main->localizedName(), "Built-in Display");
}

TEST(Screen, DisplayBoundsAreTheFrameOfTheScreenWithThatNumber) {
  RecordingDesktop desktop;
  desktop.attachedScreens = {screen("Main", 7, {0, 0, 1440, 900}),
                             screen("Unnumbered", std::nullopt, {1440, 0, 800, 600}),
                             screen("Left", 3, {-1280.5, -100, 1280, 1024})};
  EXPECT_EQ(platform::CGDisplayBounds(7, desktop), (platform::Rect{0, 0, 1440, 900}));
  EXPECT_EQ(platform::CGDisplayBounds(3, desktop), (platform::Rect{-1280.5, -100, 1280, 1024}));
  EXPECT_EQ(platform::CGDisplayBounds(0, desktop), platform::Rect{});
  EXPECT_EQ(platform::CGDisplayBounds(4, desktop), platform::Rect{});
}

}  // namespace
