#include "TargetAppController.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Application.h"
#include "platform/EmulatedDesktop.h"
#include "platform/EventLoop.h"
#include "support/TemporaryFolder.h"
#include "support/TestScripts.h"

namespace {

namespace fs = std::filesystem;
using Calls = std::vector<std::vector<std::string>>;
using Requests = std::vector<std::string>;
using launcher::TargetAppController;

constexpr pid_t launcherPid = 3000;
constexpr const char* launcherIdentifier = "com.quorrel.launcher";
constexpr const char* targetIdentifier = "app.ferrolin.desktop";

std::vector<std::string> openBundle(const fs::path& bundle) {
  return {bundle.string(), "--args", "--quorrel-launch-fullscreen"};
}
std::vector<std::string> openIdentifier(const std::string& identifier) {
  return {"-b", identifier, "--args", "--quorrel-launch-fullscreen"};
}

// The controller's line to the emulated desktop. It records the requests the launcher makes of
// other applications and plays what the emulated desktop never does by itself: an application that
// refuses a polite terminate, or reports itself active or terminated. The controller asks nothing
// else of it.
class RecordingConnection final : public platform::DesktopConnection {
 public:
  explicit RecordingConnection(std::unique_ptr<platform::DesktopConnection> desktop)
      : d_(std::move(desktop)) {}

  Requests requests;
  std::set<pid_t> refusesToQuit;
  std::set<pid_t> reportsActive;
  std::set<pid_t> reportsTerminated;

  std::vector<platform::RunningApplicationState> runningApplications() override {
    auto applications = d_->runningApplications();
    for (platform::RunningApplicationState& application : applications) {
      application.active = application.active || reportsActive.contains(application.pid);
      application.terminated = reportsTerminated.contains(application.pid);
    }
    return applications;
  }
  std::optional<pid_t> frontmostApplication() override { return d_->frontmostApplication(); }
  bool hideApplication(pid_t pid) override { return note("hide", pid) && d_->hideApplication(pid); }
  bool unhideApplication(pid_t pid) override {
    return note("unhide", pid) && d_->unhideApplication(pid);
  }
  bool activateApplication(pid_t pid) override {
    return note("activate", pid) && d_->activateApplication(pid);
  }
  bool terminateApplication(pid_t pid) override {
    return note("terminate", pid) && !refusesToQuit.contains(pid) && d_->terminateApplication(pid);
  }
  bool forceTerminateApplication(pid_t pid) override {
    return note("forceTerminate", pid) && d_->forceTerminateApplication(pid);
  }

  void setEventHandler(std::function<void(const platform::DesktopEvent&)> /*handler*/) override {}
  void checkIn(const platform::ApplicationIdentity& /*identity*/,
               platform::ActivationPolicy /*policy*/) override {}
  void setActivationPolicy(platform::ActivationPolicy /*policy*/) override {}
  void activate() override {}
  void setHidden(bool /*hidden*/) override {}
  void publishInterface(const nlohmann::json& /*interface*/) override {}
  void checkOut() override {}
  std::int32_t registerHotKey(std::uint32_t /*keyCode*/, std::uint32_t /*modifiers*/,
                              std::uint32_t /*signature*/, std::uint32_t /*id*/,
                              std::uint64_t& /*registration*/) override {
    return -50;
  }
  void unregisterHotKey(std::uint64_t /*registration*/) override {}
  bool requestNotificationAuthorization(std::uint32_t /*options*/) override { return false; }
  void addNotification(const platform::NotificationRecord& /*notification*/) override {}
  bool openURL(const std::string& /*url*/) override { return false; }
  void playAlertSound() override {}
  std::vector<platform::ScreenDescription> screens() override { return {}; }
  std::vector<std::string> preferredLanguages() override { return {}; }

 private:
  bool note(const char* request, pid_t pid) {
    requests.push_back(std::string(request) + " " + std::to_string(pid));
    return true;
  }

  std::unique_ptr<platform::DesktopConnection> d_;
};

// A running copy of the target application (or of any other program) on the emulated desktop.
struct Program {
  Program(platform::EmulatedDesktop& desktop, platform::EventLoop& loop, pid_t pid,
          std::optional<std::string> bundleIdentifier,
          platform::ActivationPolicy policy = platform::ActivationPolicy::regular)
      : connection(desktop.connect(loop)),
        application(*connection, loop,
                    platform::ApplicationIdentity{pid, std::move(bundleIdentifier),
                                                  "/Applications/Program.app", std::nullopt}) {
    application.setActivationPolicy(policy);
    application.finishLaunching();
    loop.runUntilIdle();
  }

  std::unique_ptr<platform::DesktopConnection> connection;
  platform::Application application;
};

class TargetAppControllerTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(files.temporaryDirectory()); }

  TargetAppController controller(const platform::Bundle& bundle,
                                 const platform::SystemPaths& systemPaths) {
    return TargetAppController(config, launcherConnection, files, bundle, processes, systemPaths);
  }
  TargetAppController controller() { return controller(installedLauncher, paths); }

  // Whether the desktop lists the application as hidden; nothing when it does not list it.
  std::optional<bool> hidden(pid_t pid) const {
    for (const platform::RunningApplicationState& state : desktop.runningApplications()) {
      if (state.pid == pid) {
        return state.hidden;
      }
    }
    return std::nullopt;
  }

  std::optional<std::string> trigger(std::string_view filename) const {
    const fs::path file = files.temporaryDirectory() / filename;
    return fs::exists(file) ? std::optional(testsupport::readFile(file)) : std::nullopt;
  }

  // The calls "open" has recorded once there are `count`.
  Calls openCalls(std::size_t count) const {
    return testsupport::awaitRecordedCalls(tools.openCalls, count);
  }

  static fs::path makeBundle(const fs::path& bundle) {
    fs::create_directories(bundle / "Contents");
    return bundle;
  }

  testsupport::TemporaryFolder folder;
  fs::path home = folder / "home";
  fs::path desktopFolder = folder / "desktop";
  testsupport::EmulatedTools tools = testsupport::writeEmulatedTools(desktopFolder);
  platform::FileManager files{home, folder / "tmp"};
  platform::SystemPaths paths{desktopFolder};
  platform::ProcessLauncher processes{paths};
  platform::Bundle installedLauncher = platform::Bundle::forExecutable(
      home / "Applications/Ferrolin Launcher.app/Contents/MacOS/Ferrolin Launcher");
  launcher::LauncherConfig config{
      "Ferrolin", targetIdentifier, "1.0.0", "https://ferrolin.example", {"command+option+b"}};

  platform::EmulatedDesktop desktop;
  platform::EventLoop loop;
  Program launcherProgram{desktop, loop, launcherPid, launcherIdentifier,
                          platform::ActivationPolicy::accessory};
  RecordingConnection launcherConnection{desktop.connect(loop)};
};

TEST_F(TargetAppControllerTest, TheTargetsStateAndWhatIsInFrontDecideBetweenShowAndHide) {
  const Program target(desktop, loop, 2001, targetIdentifier);
  const Program nameless(desktop, loop, 4000, std::nullopt);
  const auto focusOther = [&] {
    desktop.focus(platform::EmulatedDesktop::otherApplicationIdentifier);
  };
  struct Row {
    const char* name;
    std::function<void()> arrange;
    std::optional<std::string> launcherIdentity;
    bool shows;
  };
  const std::vector<Row> rows{
      {"hidden", [&] { desktop.hideApplication(2001); }, launcherIdentifier, true},
      {"hidden but reporting itself active",
       [&] {
         desktop.hideApplication(2001);
         launcherConnection.reportsActive.insert(2001);
       },
       launcherIdentifier, true},
      {"frontmost", [&] { desktop.activateApplication(2001); }, launcherIdentifier, false},
      // The target does not react to the trigger here, so it is still in front.
      {"still frontmost after the first hide", [] {}, launcherIdentifier, false},
      {"launcher frontmost", [&] { desktop.focus(launcherIdentifier); }, launcherIdentifier, false},
      {"nothing frontmost", [&] { desktop.focusNone(); }, launcherIdentifier, false},
      {"another application frontmost", focusOther, launcherIdentifier, true},
      {"behind another application but reporting itself active",
       [&] {
         focusOther();
         launcherConnection.reportsActive.insert(2001);
       },
       launcherIdentifier, false},
      {"unknown launcher, frontmost application without identifier",
       [&] { desktop.activateApplication(4000); }, std::nullopt, false},
      {"unknown launcher, another application frontmost", focusOther, std::nullopt, true},
      {"launcher identifier differs from the frontmost application's",
       [&] { desktop.focus(launcherIdentifier); }, "com.quorrel.other", true},
  };

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    launcherConnection.reportsActive.clear();
    row.arrange();
    const std::optional<pid_t> frontBefore = desktop.frontmostApplication();
    launcherConnection.requests.clear();
    fs::remove(files.temporaryDirectory() / launcher::commandTriggerFilename);

    controller().toggleTargetApp(row.launcherIdentity);
    loop.runUntilIdle();

    if (row.shows) {
      EXPECT_EQ(trigger(launcher::commandTriggerFilename), "show");
      EXPECT_EQ(launcherConnection.requests, (Requests{"unhide 2001", "activate 2001"}));
      EXPECT_EQ(desktop.frontmostApplication(), 2001);
      EXPECT_EQ(hidden(2001), false);
    } else {
      EXPECT_EQ(trigger(launcher::commandTriggerFilename), "hide");
      EXPECT_TRUE(launcherConnection.requests.empty());
      EXPECT_EQ(desktop.frontmostApplication(), frontBefore);
    }
  }
  EXPECT_EQ(trigger(launcher::launchTriggerFilename), std::nullopt);
}

TEST_F(TargetAppControllerTest, TheFirstInstanceThatIsNotTerminatedIsToggled) {
  const Program first(desktop, loop, 2001, targetIdentifier);
  const Program second(desktop, loop, 2002, targetIdentifier);
  ASSERT_TRUE(desktop.hideApplication(2001));

  // The first instance is hidden, so it is shown although the second one is in front.
  controller().toggleTargetApp(launcherIdentifier);
  loop.runUntilIdle();
  EXPECT_EQ(launcherConnection.requests, (Requests{"unhide 2001", "activate 2001"}));

  // With the first one on its way out, the second (behind it now) is shown.
  launcherConnection.reportsTerminated.insert(2001);
  launcherConnection.requests.clear();
  controller().toggleTargetApp(launcherIdentifier);
  loop.runUntilIdle();
  EXPECT_EQ(launcherConnection.requests, (Requests{"unhide 2002", "activate 2002"}));

  // With every instance terminated the target counts as not running and is started.
  launcherConnection.reportsTerminated.insert(2002);
  launcherConnection.requests.clear();
  controller().toggleTargetApp(launcherIdentifier);
  EXPECT_EQ(openCalls(1), Calls{openIdentifier(targetIdentifier)});
  EXPECT_TRUE(launcherConnection.requests.empty());
}

TEST_F(TargetAppControllerTest, QuitAsksEveryInstanceToTerminateAndForcesThoseThatRefuse) {
  const Program polite(desktop, loop, 2001, targetIdentifier);
  const Program stubborn(desktop, loop, 2002, targetIdentifier);
  const Program leaving(desktop, loop, 2003, targetIdentifier);
  launcherConnection.refusesToQuit.insert(2002);
  launcherConnection.reportsTerminated.insert(2003);

  controller().terminateTargetApp();
  loop.runUntilIdle();

  EXPECT_EQ(launcherConnection.requests,
            (Requests{"terminate 2001", "terminate 2002", "forceTerminate 2002"}));
  EXPECT_TRUE(polite.application.isTerminated());
  EXPECT_EQ(hidden(2001), std::nullopt);
  EXPECT_EQ(hidden(2002), std::nullopt);
  EXPECT_NE(hidden(2003), std::nullopt) << "an instance already terminating is left alone";
  EXPECT_NE(hidden(launcherPid), std::nullopt);
  EXPECT_EQ(trigger(launcher::commandTriggerFilename), std::nullopt);
  EXPECT_EQ(trigger(launcher::launchTriggerFilename), std::nullopt);
}

TEST_F(TargetAppControllerTest, ANotRunningTargetIsOpenedFromTheFirstCandidateThatExists) {
  config = {"Ferrolin Beta", "app.ferrolin.beta", "1.0.0", "https://ferrolin.example", {}};
  const fs::path support = home / "Library" / "Application Support" / "Ferrolin";
  const std::vector<fs::path> candidates{
      makeBundle(support / "Ferrolin Beta.app"),
      makeBundle(home / "Applications" / "Ferrolin Beta.app"),
      makeBundle(home / "Ferrolin Beta.app"),
      makeBundle(desktopFolder / "root" / "Applications" / "Ferrolin Beta.app"),
  };
  makeBundle(support / "Ferrolin.app");  // another name is no candidate
  // "open" notes what the launch trigger holds when it starts.
  const fs::path seenTrigger = desktopFolder / "trigger-seen-by-open";
  const fs::path recorder =
      testsupport::writeRecordingScript(desktopFolder / "recorder", tools.openCalls, 0);
  const fs::path open = desktopFolder / "root" / "usr" / "bin" / "open";
  testsupport::writeFile(
      open, "#!/bin/sh\ncat '" +
                (files.temporaryDirectory() / launcher::launchTriggerFilename).string() + "' >> '" +
                seenTrigger.string() + "'\nexec '" + recorder.string() + "' \"$@\"\n");
  fs::permissions(open, fs::perms::owner_all);
  testsupport::writeFile(files.temporaryDirectory() / launcher::launchTriggerFilename, "stale");
  testsupport::writeFile(files.temporaryDirectory() / launcher::commandTriggerFilename, "hide");

  Calls expected;
  for (const fs::path& candidate : candidates) {
    controller().toggleTargetApp(launcherIdentifier);
    expected.push_back(openBundle(candidate));
    EXPECT_EQ(openCalls(expected.size()), expected);
    fs::remove_all(candidate);
  }
  // Nor is a link that leads nowhere: the target is opened by its identifier.
  fs::create_directory_symlink(folder / "nowhere", candidates.front());
  controller().toggleTargetApp(launcherIdentifier);
  expected.push_back(openIdentifier("app.ferrolin.beta"));
  EXPECT_EQ(openCalls(expected.size()), expected);

  EXPECT_EQ(testsupport::readFile(seenTrigger), "showshowshowshowshow");
  EXPECT_EQ(trigger(launcher::commandTriggerFilename), "hide") << "left untouched";
  EXPECT_TRUE(launcherConnection.requests.empty());
}

TEST_F(TargetAppControllerTest, TheLauncherIsNeverItsOwnTargetHoweverItIsReached) {
  // The launcher is Ferrolin.app in the applications folder, which the controller reaches through
  // a link and a "sub/.." detour; the support folder holds a link to it.
  const platform::Bundle self = platform::Bundle::forExecutable(
      makeBundle(desktopFolder / "root/Applications/Ferrolin.app") / "Contents/MacOS/Ferrolin");
  fs::create_directories(desktopFolder / "sub");
  fs::create_directory_symlink(desktopFolder, folder / "desktop-link");
  const platform::SystemPaths roundabout{folder / "desktop-link" / "sub" / ".."};
  const fs::path support = home / "Library" / "Application Support" / "Ferrolin";
  fs::create_directories(support);
  fs::create_directory_symlink(self.bundlePath(), support / "Ferrolin.app");
  // The folder above the launcher's holds a real copy.
  const fs::path above = makeBundle(desktopFolder / "root" / "Ferrolin.app");

  controller(self, roundabout).toggleTargetApp(launcherIdentifier);
  EXPECT_EQ(openCalls(1), Calls{openBundle(above)});

  fs::remove_all(above);
  controller(self, roundabout).toggleTargetApp(launcherIdentifier);
  EXPECT_EQ(openCalls(2), (Calls{openBundle(above), openIdentifier(targetIdentifier)}));
}

TEST_F(TargetAppControllerTest, FailuresChangeNothingElse) {
  // No temporary folder to write triggers to, and no "open" to start.
  const platform::FileManager homeless(home, folder / "missing");
  const platform::SystemPaths bare{folder / "no-desktop"};
  const platform::ProcessLauncher noTools{bare};
  TargetAppController failing(config, launcherConnection, homeless, installedLauncher, noTools,
                              bare);
  failing.toggleTargetApp(launcherIdentifier);
  EXPECT_FALSE(fs::exists(folder / "missing"));

  const Program target(desktop, loop, 2001, targetIdentifier);
  ASSERT_TRUE(desktop.hideApplication(2001));
  failing.toggleTargetApp(launcherIdentifier);
  loop.runUntilIdle();
  EXPECT_EQ(desktop.frontmostApplication(), 2001) << "an unwritable trigger does not stop the show";
}

}  // namespace
