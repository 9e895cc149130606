#include "TargetAppController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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

#include "model/EmulatedDesktop.h"
#include "platform/Application.h"
#include "platform/VirtualClockEventLoop.h"
#include "support/DesktopProgram.h"
#include "support/TemporaryFolder.h"
#include "support/TestScripts.h"

namespace {

namespace fs = std::filesystem;
using Calls = std::vector<std::vector<std::string>>;
using Requests = std::vector<std::string>;
using namespace std::chrono_literals;
using launcher::TargetAppController;
using testsupport::DesktopProgram;

constexpr pid_t launcherPid = 3000;
constexpr const char* launcherIdentifier = "com.quorrel.launcher";
constexpr const char* targetIdentifier = "app.ferrolin.desktop";

std::vector<std::string> openBundle(const fs::path& bundle) {
  return {bundle.string(), "--args", "--quorrel-launch-fullscreen"};
}
std::vector<std::string> openIdentifier(const std::string& identifier) {
  return {"-b", identifier, "--args", "--quorrel-launch-fullscreen"};
}

// The controller's line to the emulated desktop. It counts the questions the launcher asks, records
// the requests it makes of other applications and plays what the emulated desktop never does by
// itself: an application that refuses a polite terminate, or reports itself active or terminated.
// The controller asks nothing else of it.
class RecordingConnection final : public platform::ApplicationServices {
 public:
  explicit RecordingConnection(std::unique_ptr<platform::DesktopConnection> desktop)
      : d_(std::move(desktop)) {}

  int questions = 0;
  Requests requests;
  std::set<pid_t> refusesToQuit;
  std::set<pid_t> reportsActive;
  std::set<pid_t> reportsTerminated;

  std::vector<platform::RunningApplicationState> runningApplications() override {
    ++questions;
    auto applications = d_->runningApplications();
    for (platform::RunningApplicationState& application : applications) {
      application.active = application.active || reportsActive.contains(application.pid);
      application.terminated = reportsTerminated.contains(application.pid);
    }
    return applications;
  }
  std::optional<pid_t> frontmostApplication() override {
    ++questions;
    return d_->frontmostApplication();
  }
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

  bool openURL(const std::string& /*url*/) override { return false; }

 private:
  bool note(const char* request, pid_t pid) {
    requests.push_back(std::string(request) + " " + std::to_string(pid));
    return true;
  }

  std::unique_ptr<platform::DesktopConnection> d_;
};

class TargetAppControllerTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(files.temporaryDirectory()); }

  TargetAppController controller(const platform::Bundle& bundle,
                                 const platform::SystemPaths& systemPaths) {
    return TargetAppController(config, launcherConnection, files, bundle, processes, systemPaths,
                               loop);
  }
  TargetAppController controller() { return controller(installedLauncher, paths); }

  // Whether the desktop lists the application as hidden; nothing when it does not list it.
  std::optional<bool> hidden(pid_t pid) const {
    const std::vector<platform::RunningApplicationState> all = desktop.runningApplications();
    const auto found = std::ranges::find(all, pid, &platform::RunningApplicationState::pid);
    return found == all.end() ? std::nullopt : std::optional(found->hidden);
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
  platform::ProcessLauncher processes{paths, {}};
  platform::Bundle installedLauncher = platform::Bundle::forExecutable(
      home / "Applications/Ferrolin Launcher.app/Contents/MacOS/Ferrolin Launcher");
  launcher::LauncherConfig config{
      "Ferrolin", targetIdentifier, "1.0.0", "https://ferrolin.example", {"command+option+b"}};

  platform::EmulatedDesktop desktop;
  platform::VirtualClockEventLoop loop;
  DesktopProgram launcherProgram{desktop, loop, launcherPid, launcherIdentifier,
                                 platform::ActivationPolicy::accessory};
  RecordingConnection launcherConnection{desktop.connect(loop)};
};

TEST_F(TargetAppControllerTest, TheTargetsStateAndWhatIsInFrontDecideBetweenShowAndHide) {
  const DesktopProgram target(desktop, loop, 2001, targetIdentifier);
  const DesktopProgram nameless(desktop, loop, 4000, std::nullopt);
  const auto focusOther = [&] {
    desktop.focus(platform::EmulatedDesktop::otherApplicationIdentifier);
  };
  struct Row {
    const char* name;
    std::function<void()> arrange;
    bool reportsActive;
    std::optional<std::string> launcherIdentity;
    bool shows;
  };
  const std::vector<Row> rows{
      {"hidden", [&] { desktop.hideApplication(2001); }, false, launcherIdentifier, true},
      {"hidden but reporting itself active", [&] { desktop.hideApplication(2001); }, true,
       launcherIdentifier, true},
      {"frontmost", [&] { desktop.activateApplication(2001); }, false, launcherIdentifier, false},
      // The target does not react to the trigger here, so it is still in front.
      {"still frontmost after the first hide", [] {}, false, launcherIdentifier, false},
      {"launcher frontmost", [&] { desktop.focus(launcherIdentifier); }, false, launcherIdentifier,
       false},
      {"nothing frontmost", [&] { desktop.focusNone(); }, false, launcherIdentifier, false},
      {"another application frontmost", focusOther, false, launcherIdentifier, true},
      {"behind another application but reporting itself active", focusOther, true,
       launcherIdentifier, false},
      {"unknown launcher, frontmost application without identifier",
       [&] { desktop.activateApplication(4000); }, false, std::nullopt, false},
      {"unknown launcher, another application frontmost", focusOther, false, std::nullopt, true},
      {"launcher identifier differs from the frontmost application's",
       [&] { desktop.focus(launcherIdentifier); }, false, "com.quorrel.other", true},
  };

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    launcherConnection.reportsActive.clear();
    if (row.reportsActive) {
      launcherConnection.reportsActive.insert(2001);
    }
    row.arrange();
    const std::optional<pid_t> frontBefore = desktop.frontmostApplication();
    launcherConnection.requests.clear();
    launcherConnection.questions = 0;
    fs::remove(files.temporaryDirectory() / launcher::commandTriggerFilename);

    controller().toggleTargetApp(row.launcherIdentity);
    loop.runUntilIdle();
    EXPECT_LE(launcherConnection.questions, 2) << "one look at the desktop per press";

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

// Of several instances the first that does not report itself terminated is toggled; quitting
// asks each such instance to terminate and forces those that refuse.
TEST_F(TargetAppControllerTest, InstancesOnTheirWayOutAreLeftAloneByToggleAndQuit) {
  const DesktopProgram first(desktop, loop, 2001, targetIdentifier);
  const DesktopProgram second(desktop, loop, 2002, targetIdentifier);
  const DesktopProgram third(desktop, loop, 2003, targetIdentifier);
  ASSERT_TRUE(desktop.hideApplication(2001));
  // The first instance is hidden, so it is shown although another one is in front.
  controller().toggleTargetApp(launcherIdentifier);
  loop.runUntilIdle();
  EXPECT_EQ(launcherConnection.requests, (Requests{"unhide 2001", "activate 2001"}));

  // With the first one on its way out, the second (behind it now) is shown.
  launcherConnection.reportsTerminated.insert(2001);
  launcherConnection.requests.clear();
  controller().toggleTargetApp(launcherIdentifier);
  loop.runUntilIdle();
  EXPECT_EQ(launcherConnection.requests, (Requests{"unhide 2002", "activate 2002"}));

  launcherConnection.refusesToQuit.insert(2003);
  launcherConnection.requests.clear();
  controller().terminateTargetApp();
  loop.runUntilIdle();
  EXPECT_EQ(launcherConnection.requests,
            (Requests{"terminate 2002", "terminate 2003", "forceTerminate 2003"}));
  EXPECT_TRUE(second.application.isTerminated());
  EXPECT_EQ(hidden(2002), std::nullopt);
  EXPECT_EQ(hidden(2003), std::nullopt);
  EXPECT_NE(hidden(2001), std::nullopt) << "an instance already terminating is left alone";
  EXPECT_NE(hidden(launcherPid), std::nullopt);

  // With every instance gone or terminating the target counts as not running and is started.
  launcherConnection.requests.clear();
  controller().toggleTargetApp(launcherIdentifier);
  EXPECT_EQ(openCalls(1), Calls{openIdentifier(targetIdentifier)});
  EXPECT_TRUE(launcherConnection.requests.empty());
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
  testsupport::writeFile(files.temporaryDirectory() / launcher::commandTriggerFilename, "hide");

  // Each launch writes the launch trigger anew and opens the target.
  Calls expected;
  const auto toggleOpens = [&](std::vector<std::string> call) {
    testsupport::writeFile(files.temporaryDirectory() / launcher::launchTriggerFilename, "stale");
    controller().toggleTargetApp(launcherIdentifier);
    expected.push_back(std::move(call));
    EXPECT_EQ(openCalls(expected.size()), expected);
    EXPECT_EQ(trigger(launcher::launchTriggerFilename), "show");
  };
  for (const fs::path& candidate : candidates) {
    toggleOpens(openBundle(candidate));
    fs::remove_all(candidate);
  }
  // Nor is a link that leads nowhere: the target is opened by its identifier.
  fs::create_directory_symlink(folder / "nowhere", candidates.front());
  toggleOpens(openIdentifier("app.ferrolin.beta"));
  EXPECT_EQ(trigger(launcher::commandTriggerFilename), "hide") << "left untouched";
  EXPECT_TRUE(launcherConnection.requests.empty());
}

// A target started but not yet checked in with the desktop is starting: presses leave it alone
// until it appears or the time for a start is up.
TEST_F(TargetAppControllerTest, PressesWhileTheTargetStartsNeitherStartAnotherCopyNorChangeIt) {
  TargetAppController toggler = controller();
  const auto press = [&] {
    toggler.toggleTargetApp(launcherIdentifier);
    loop.runUntilIdle();
  };
  press();
  EXPECT_EQ(openCalls(1).size(), 1U);
  fs::remove(files.temporaryDirectory() / launcher::launchTriggerFilename);
  press();
  loop.advanceBy(launcher::targetStartLimit - 1ms);
  press();
  EXPECT_EQ(trigger(launcher::launchTriggerFilename), std::nullopt);
  EXPECT_EQ(trigger(launcher::commandTriggerFilename), std::nullopt);
  {
    const DesktopProgram target(desktop, loop, 2001, targetIdentifier);
    press();
    EXPECT_NE(trigger(launcher::commandTriggerFilename), std::nullopt);
  }
  // Gone again, it is started at once; a start that never checks in stops counting in time.
  press();
  loop.advanceBy(launcher::targetStartLimit);
  press();
  EXPECT_EQ(openCalls(3), Calls(3, openIdentifier(targetIdentifier)));
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
  const platform::ProcessLauncher noTools{bare, {}};
  TargetAppController failing(config, launcherConnection, homeless, installedLauncher, noTools,
                              bare, loop);
  failing.toggleTargetApp(launcherIdentifier);

  const DesktopProgram target(desktop, loop, 2001, targetIdentifier);
  ASSERT_TRUE(desktop.hideApplication(2001));
  failing.toggleTargetApp(launcherIdentifier);
  loop.runUntilIdle();
  EXPECT_EQ(desktop.frontmostApplication(), 2001) << "an unwritable trigger does not stop the show";
}

}  // namespace
