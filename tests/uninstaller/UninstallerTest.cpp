// FerrolinUninstaller's Removal on its own and the uninstaller on an in-process desktop, its
// dialogs answered by script: what each choice removes and keeps, cancelling, a removal that fails
// half way, links that lead out of the home, and a home folder that cannot be trusted.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "Removal.h"
#include "UninstallerApp.h"
#include "model/EmulatedDesktop.h"
#include "platform/ApplicationServicesForAnyThread.h"
#include "platform/GlobalQueue.h"
#include "platform/PollEventLoop.h"
#include "suite/HomeLayout.h"
#include "suite/Outcome.h"
#include "support/DesktopProgram.h"
#include "support/DialogScript.h"
#include "support/TemporaryFolder.h"
#include "support/TestScripts.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::readFile;
using testsupport::writeFile;
using uninstaller::UninstallerApp;
using Calls = std::vector<std::vector<std::string>>;

// What the suite leaves in a home: the paths removed for both choices, and the data.
const std::vector<std::string> suite = {
    "Library/LaunchAgents/com.quorrel.launcher.plist",
    "Library/Application Support/Ferrolin/Ferrolin.app/Contents/MacOS/Ferrolin",
    "Applications/Ferrolin.app/Contents/MacOS/Ferrolin Launcher",
    "Applications/Quorrel Launcher.app/Contents/Info.plist",
    "Applications/Ferrolin Launcher.app/Contents/Info.plist",
    "Library/Application Support/Ferrolin/launcher-settings.json",
};
const std::vector<std::string> data = {
    "Library/Application Support/app.ferrolin.desktop/state.db",
    "Library/Caches/app.ferrolin.desktop/cache.bin",
    "Library/Preferences/app.ferrolin.desktop.plist",
    "Library/Saved Application State/app.ferrolin.desktop.savedState/window.data",
    "Library/WebKit/app.ferrolin.desktop/LocalStorage",
    "Library/WebKit/com.quorrel.desktop/LocalStorage",
    "Library/HTTPStorages/app.ferrolin.desktop.binarycookies",
    "Library/HTTPStorages/com.quorrel.desktop.binarycookies",
    "Library/HTTPStorages/quorrel.binarycookies",
    "Library/Preferences/com.quorrel.desktop.plist",
    "Library/Preferences/quorrel.plist",
};
// Neighbours that belong to nobody of the suite.
const std::vector<std::string> neighbours = {
    "Library/Preferences/app.ferrolin.desktop.other.plist",
    "Applications/Other.app/Contents/Info.plist",
    "Library/Application Support/Ferrolin Notes/notes.txt",
};

class UninstallerTest : public testing::Test {
 protected:
  // The uninstaller's bundle, with the pictures given (name and contents).
  platform::Bundle bundleWith(const std::vector<std::pair<std::string, std::string>>& pictures) {
    const fs::path bundle = folder / "FerrolinUninstaller.app";
    for (const auto& [name, contents] : pictures) {
      writeFile(bundle / "Contents/Resources" / name, contents);
    }
    return platform::Bundle::forExecutable(bundle / "Contents/MacOS/FerrolinUninstaller");
  }

  // What the removal works with: the home of `homeFiles`, launchctl started by `starter`.
  uninstaller::RemovalServices services(const platform::FileManager& homeFiles,
                                        const platform::ProcessLauncher& starter) {
    return {
        .files = &homeFiles,
        .processes = &starter,
        .applications = &applications,
        .userId = ::getuid(),
        .launchctlTimeLimit = launchctlTimeLimit,
    };
  }

  std::shared_ptr<UninstallerApp> makeApp(uninstaller::RemovalServices with,
                                          platform::Bundle bundle) {
    return std::make_shared<UninstallerApp>(uninstaller::UninstallerServices{
        .application = &program.application,
        .screens = program.connection.get(),
        .background = &queue,
        .bundle = std::move(bundle),
        .removal = with,
    });
  }
  std::shared_ptr<UninstallerApp> makeApp(const platform::FileManager& homeFiles,
                                          platform::Bundle bundle) {
    return makeApp(services(homeFiles, processes), std::move(bundle));
  }

  void install(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
      writeFile(home / path, path);
    }
  }

  // Runs the uninstaller to its end, answering each dialog in turn with a button's title or
  // "Escape"; returns each dialog as "<style> <title>: <text>".
  std::vector<std::string> run(const std::vector<std::string>& answers,
                               const std::shared_ptr<UninstallerApp>& app) {
    const auto dialogs = testsupport::answerDialogs(desktop, answers);
    program.application.setDelegate(app.get());
    app->applicationDidFinishLaunching();
    EXPECT_TRUE(loop.runUntil([&] { return program.application.isTerminated(); }, 20s));
    program.application.setDelegate(nullptr);
    return *dialogs;
  }

  // The removal from the test's home, without the uninstaller's windows.
  uninstaller::Removal removal() {
    return {services(files, processes), suite::HomeLayout::under(home), stop};
  }

  void uninstallAndCheck(bool installed, bool dataRemoved, const std::function<void()>& uninstall);

  Calls launchctlCalls() const { return testsupport::readRecordedCalls(tools.launchctlCalls); }

  testsupport::TemporaryFolder folder;
  fs::path home = folder / "home";
  testsupport::EmulatedTools tools = testsupport::writeEmulatedTools(folder / "desktop");
  // Generous, so that a busy machine never stops the recording launchctl; short where it hangs.
  std::chrono::milliseconds launchctlTimeLimit = 60s;
  platform::FileManager files{home, folder / "tmp"};
  platform::ProcessLauncher processes{platform::SystemPaths(folder / "desktop"), {}};
  platform::EmulatedDesktop desktop;
  platform::PollEventLoop loop;
  testsupport::DesktopProgram program{desktop, loop, 7301, "com.quorrel.uninstaller"};
  testsupport::DesktopProgram ferrolin{desktop, loop, 7302, "app.ferrolin.desktop"};
  testsupport::DesktopProgram launcher{desktop, loop, 7303, "com.quorrel.launcher",
                                       platform::ActivationPolicy::accessory};
  platform::ApplicationServicesForAnyThread applications{*program.connection, loop};
  platform::GlobalQueue queue{1};
  std::atomic<bool> stop = false;
};

const suite::Outcome dataKept{true, "Ferrolin uninstalled",
                              "Ferrolin and its launcher were removed. Ferrolin’s own settings and "
                              "data were kept; the launcher’s settings were removed."};
constexpr const char* firstDialog =
    "warning Remove Ferrolin: This removes Ferrolin and its launcher from your account.\n"
    "You can keep Ferrolin’s own settings and data; the launcher’s settings are removed either "
    "way.";

// One uninstallation in a home laid out as the suite leaves it: what it removed and kept.
void UninstallerTest::uninstallAndCheck(bool installed, bool dataRemoved,
                                        const std::function<void()>& uninstall) {
  if (installed) {
    install(suite);
    install(data);
  }
  install(neighbours);
  // A data location that is a link out of the home, and a link inside a removed folder.
  writeFile(folder / "outside/keep.txt", "outside");
  fs::create_directories(home / "Library/WebKit");
  fs::create_directory_symlink(folder / "outside", home / "Library/WebKit/quorrel");
  fs::create_directories(home / "Library/Application Support/Ferrolin");
  fs::create_symlink(folder / "outside/keep.txt",
                     home / "Library/Application Support/Ferrolin/linked.txt");
  // What a killed update and a killed save left: swept with the items they belong to. A live
  // program's staged copy stays.
  const std::string dead = std::to_string(testsupport::endedProcessId()) + "-1f";
  const std::vector<std::string> leftovers = {
      "Applications/.Ferrolin.app.staging-" + dead,
      "Library/LaunchAgents/.com.quorrel.launcher.plist.tmp-" + dead};
  install({leftovers[0] + "/Contents/Info.plist", leftovers[1]});
  const std::string live =
      "Applications/.Ferrolin.app.staging-" + std::to_string(::getpid()) + "-2e";
  install({live});

  uninstall();

  for (const std::string& path : suite) {
    EXPECT_FALSE(fs::exists(home / path)) << path;
  }
  for (const std::string& path : leftovers) {
    EXPECT_FALSE(fs::exists(home / path)) << path;
  }
  EXPECT_TRUE(fs::exists(home / live));
  EXPECT_FALSE(fs::exists(home / "Library/Application Support/Ferrolin"));
  for (const std::string& path : data) {
    EXPECT_EQ(fs::exists(home / path), installed && !dataRemoved) << path;
  }
  EXPECT_EQ(fs::is_symlink(home / "Library/WebKit/quorrel"), !dataRemoved);
  EXPECT_EQ(readFile(folder / "outside/keep.txt"), "outside");
  for (const std::string& path : neighbours) {
    EXPECT_TRUE(fs::exists(home / path)) << path;
  }
  // The agent is booted out whether or not its file is there, and both programs were asked to
  // quit.
  const Calls bootout = {{"bootout", "gui/" + std::to_string(::getuid()),
                          (home / "Library/LaunchAgents/com.quorrel.launcher.plist").string()}};
  EXPECT_EQ(launchctlCalls(), bootout);
  EXPECT_TRUE(loop.runUntil(
      [&] { return ferrolin.application.isTerminated() && launcher.application.isTerminated(); },
      5s));
}

TEST_F(UninstallerTest, KeepingDataRemovesTheSuiteAndLeavesTheDataWhereItIs) {
  uninstallAndCheck(true, false, [&] {
    EXPECT_EQ(removal().run(uninstaller::UninstallChoice::uninstall(false)), dataKept);
  });
}

// From the first dialog to the result, through the dialog that says what the data removal takes.
TEST_F(UninstallerTest, RemovingDataAlsoRemovesTheTwelveDataLocationsButNothingOutsideTheHome) {
  uninstallAndCheck(true, true, [&] {
    EXPECT_EQ(
        run({"Remove App and Data", "Continue", "OK"}, makeApp(files, bundleWith({}))),
        (std::vector<std::string>{
            firstDialog,
            "informational Data Removal Selected: Ferrolin's local settings and caches will be "
            "deleted. If you install Ferrolin again later, it starts from a fresh setup.",
            "informational Ferrolin uninstalled: Ferrolin and its launcher were removed. Your "
            "settings and local data were removed as well."}));
  });
}

TEST_F(UninstallerTest, WithNothingInstalledEveryRemovalIsSkippedAndThatIsASuccess) {
  uninstallAndCheck(false, false, [&] {
    EXPECT_EQ(removal().run(uninstaller::UninstallChoice::uninstall(false)), dataKept);
  });
}

// A launchctl that never answers is stopped at the time limit, and the removal goes on.
TEST_F(UninstallerTest, ALaunchctlThatNeverAnswersIsStoppedAndEverythingIsRemovedAllTheSame) {
  testsupport::writeNeverEndingScript(folder / "desktop/root/bin/launchctl", tools.launchctlCalls);
  launchctlTimeLimit = 200ms;
  uninstallAndCheck(true, false, [&] {
    EXPECT_EQ(removal().run(uninstaller::UninstallChoice::uninstall(false)), dataKept);
  });
}

// Cancel, like Escape, closes the dialog as the third button does.
TEST_F(UninstallerTest, CancellingChangesNothing) {
  install(suite);
  EXPECT_EQ(run({"Cancel"}, makeApp(files, bundleWith({}))), std::vector<std::string>{firstDialog});
  for (const std::string& path : suite) {
    EXPECT_TRUE(fs::exists(home / path)) << path;
  }
  EXPECT_TRUE(launchctlCalls().empty());
  EXPECT_FALSE(ferrolin.application.isTerminated());
}

// A program told to quit while it removes (its desktop went away) stops before the next item
// instead of showing an outcome nobody sees, and says that it did not come to its end.
TEST_F(UninstallerTest, ARemovalStopsBeforeItsNextItemWhenTheProgramIsToldToQuit) {
  install(suite);
  std::promise<void> told;
  // The program is told to quit while launchctl boots the agent out.
  const platform::ProcessLauncher quitting{
      platform::SystemPaths(folder / "desktop"),
      [&](pid_t, const fs::path&, const std::vector<std::string>&) {
        loop.async([&] {
          program.application.terminate();
          told.set_value();
        });
        told.get_future().wait();
      }};
  const auto app = makeApp(services(files, quitting), bundleWith({}));
  EXPECT_EQ(run({"Remove App and Keep Data"}, app), std::vector<std::string>{firstDialog});
  EXPECT_FALSE(app->finishAfterTermination(loop, 20s));
  for (const std::string& path : suite) {
    EXPECT_TRUE(fs::exists(home / path)) << path;
  }
}

// Makes a file that nobody can remove: immutable for root, in a read-only folder for anyone else.
// False when this machine allows neither.
bool makeUnremovable(const fs::path& file) {
  if (::geteuid() != 0) {
    fs::permissions(file.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
    return true;
  }
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  int flags = 0;
  const bool made = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                    (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
  if (fd >= 0) {
    ::close(fd);
  }
  return made;
}

void makeRemovable(const fs::path& file) {
  if (::geteuid() != 0) {
    fs::permissions(file.parent_path(), fs::perms::owner_all);
    return;
  }
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  int flags = 0;
  if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
    flags &= ~FS_IMMUTABLE_FL;
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
  }
  if (fd >= 0) {
    ::close(fd);
  }
}

TEST_F(UninstallerTest, TheFirstRemovalThatFailsStopsTheWorkAndIsReportedInItsOwnWords) {
  install(suite);
  const fs::path stuck = home / "Applications/Ferrolin.app/Contents/MacOS/Ferrolin Launcher";
  if (!makeUnremovable(stuck)) {
    GTEST_SKIP() << "this machine cannot make a file that its owner cannot remove";
  }
  const std::vector<std::string> dialogs =
      run({"Remove App and Keep Data", "OK"}, makeApp(files, bundleWith({})));
  makeRemovable(stuck);
  ASSERT_EQ(dialogs.size(), 2U);
  EXPECT_EQ(dialogs[1].rfind("critical Uninstall failed: “", 0), 0U) << dialogs[1];
  EXPECT_NE(dialogs[1].find("couldn’t be removed"), std::string::npos) << dialogs[1];
  // What comes before the launcher is gone; what comes after it is still there.
  EXPECT_FALSE(fs::exists(home / suite[0]));
  EXPECT_FALSE(fs::exists(home / suite[1]));
  for (const std::string& path : {suite[2], suite[3], suite[4], suite[5]}) {
    EXPECT_TRUE(fs::exists(home / path)) << path;
  }
}

TEST_F(UninstallerTest, AHomeFolderThatCannotBeTrustedIsRefusedBeforeAnythingIsTouched) {
  writeFile(folder / "a-file", "");
  fs::create_directory_symlink("/", folder / "link-to-root");
  const std::vector<std::pair<fs::path, std::string>> homes = {
      {folder / "link-to-root",
       "Your home folder is the root of the disk, so nothing was removed."},
      {"", "Your home folder is not known, so nothing was removed."},
      {"home", "Your home folder “home” is not an absolute path, so nothing was removed."},
      {"/", "Your home folder is the root of the disk, so nothing was removed."},
      {folder / "a-file", "Your home folder “" + (folder / "a-file").string() +
                              "” is not a folder, so nothing was "
                              "removed."},
      {folder / "missing", "Your home folder “" + (folder / "missing").string() +
                               "” is not a folder, so nothing was "
                               "removed."},
  };
  for (const auto& [where, sentence] : homes) {
    const platform::FileManager otherHome{where, folder / "tmp"};
    EXPECT_EQ(
        uninstaller::Removal(services(otherHome, processes), suite::HomeLayout::under(where), stop)
            .run(uninstaller::UninstallChoice::uninstall(true)),
        (suite::Outcome{false, "Uninstall failed", sentence}))
        << where;
  }
  EXPECT_TRUE(launchctlCalls().empty());
  EXPECT_FALSE(ferrolin.application.isTerminated());
}

}  // namespace
