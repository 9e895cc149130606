// FerrolinUninstaller on an in-process desktop, its dialogs answered by script: what each choice
// removes and keeps, cancelling, a removal that fails half way, links that lead out of the home,
// a home folder that cannot be trusted, and its pictures.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "UninstallPaths.h"
#include "UninstallerApp.h"
#include "model/EmulatedDesktop.h"
#include "platform/ApplicationServicesForAnyThread.h"
#include "platform/GlobalQueue.h"
#include "platform/PollEventLoop.h"
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

  std::shared_ptr<UninstallerApp> makeApp(const platform::FileManager& homeFiles,
                                          platform::Bundle bundle) {
    return std::make_shared<UninstallerApp>(uninstaller::UninstallerServices{
        .application = &program.application,
        .files = &homeFiles,
        .processes = &processes,
        .applications = &applications,
        .background = &queue,
        .bundle = std::move(bundle),
        .userId = ::getuid(),
        .launchctlTimeLimit = launchctlTimeLimit,
    });
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

  void uninstallAndCheck(const std::vector<std::string>& answers, bool installed,
                         const std::vector<std::string>& dialogsAfterFirst, bool dataRemoved);

  void cancelWith(const std::string& answer);

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
};

constexpr const char* keptMessage =
    "informational Ferrolin uninstalled: Ferrolin and its launcher were removed. Ferrolin’s own "
    "settings and data were kept; the launcher’s settings were removed.";
constexpr const char* firstDialog =
    "warning Remove Ferrolin: This removes Ferrolin and its launcher from your account.\n"
    "You can keep Ferrolin’s own settings and data; the launcher’s settings are removed either "
    "way.";

// One uninstallation from the first dialog to the result: what it showed, removed and kept.
void UninstallerTest::uninstallAndCheck(const std::vector<std::string>& answers, bool installed,
                                        const std::vector<std::string>& dialogsAfterFirst,
                                        bool dataRemoved) {
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

  std::vector<std::string> expected = {firstDialog};
  expected.insert(expected.end(), dialogsAfterFirst.begin(), dialogsAfterFirst.end());
  EXPECT_EQ(run(answers, makeApp(files, bundleWith({}))), expected);

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
  EXPECT_TRUE(ferrolin.application.isTerminated());
  EXPECT_TRUE(launcher.application.isTerminated());
}

TEST_F(UninstallerTest, KeepingDataRemovesTheSuiteAndLeavesTheDataWhereItIs) {
  uninstallAndCheck({"Remove App and Keep Data", "OK"}, true, {keptMessage}, false);
}

TEST_F(UninstallerTest, RemovingDataAlsoRemovesTheTwelveDataLocationsButNothingOutsideTheHome) {
  uninstallAndCheck(
      {"Remove App and Data", "Continue", "OK"}, true,
      {"informational Data Removal Selected: Ferrolin's local settings and caches will be deleted. "
       "If you install Ferrolin again later, it starts from a fresh setup.",
       "informational Ferrolin uninstalled: Ferrolin and its launcher were removed. Your settings "
       "and local data were removed as well."},
      true);
}

TEST_F(UninstallerTest, WithNothingInstalledEveryRemovalIsSkippedAndThatIsASuccess) {
  uninstallAndCheck({"Remove App and Keep Data", "OK"}, false, {keptMessage}, false);
}

// A launchctl that never answers is stopped at the time limit, and the removal goes on.
TEST_F(UninstallerTest, ALaunchctlThatNeverAnswersIsStoppedAndEverythingIsRemovedAllTheSame) {
  testsupport::writeNeverEndingScript(folder / "desktop/root/bin/launchctl", tools.launchctlCalls);
  launchctlTimeLimit = 200ms;
  uninstallAndCheck({"Remove App and Keep Data", "OK"}, true, {keptMessage}, false);
}

void UninstallerTest::cancelWith(const std::string& answer) {
  install(suite);
  EXPECT_EQ(run({answer}, makeApp(files, bundleWith({}))), std::vector<std::string>{firstDialog});
  for (const std::string& path : suite) {
    EXPECT_TRUE(fs::exists(home / path)) << path;
  }
  EXPECT_TRUE(launchctlCalls().empty());
  EXPECT_FALSE(ferrolin.application.isTerminated());
}

TEST_F(UninstallerTest, CancellingChangesNothing) {
  cancelWith("Cancel");
}

TEST_F(UninstallerTest, EscapeCancelsToo) {
  cancelWith("Escape");
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
  const auto app = std::make_shared<UninstallerApp>(uninstaller::UninstallerServices{
      .application = &program.application,
      .files = &files,
      .processes = &quitting,
      .applications = &applications,
      .background = &queue,
      .bundle = bundleWith({}),
      .userId = ::getuid(),
      .launchctlTimeLimit = launchctlTimeLimit,
  });
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
    const auto paths = uninstaller::UninstallPaths::underHome(where);
    EXPECT_EQ(paths ? std::string() : paths.error().localizedDescription, sentence) << where;
  }
  install(suite);
  const platform::FileManager rootHome{"/", folder / "tmp"};
  const std::vector<std::string> dialogs =
      run({"Remove App and Keep Data", "OK"}, makeApp(rootHome, bundleWith({})));
  ASSERT_EQ(dialogs.size(), 2U);
  EXPECT_EQ(dialogs[1],
            "critical Uninstall failed: Your home folder is the root of the disk, so nothing was "
            "removed.");
  EXPECT_TRUE(launchctlCalls().empty());
  EXPECT_FALSE(ferrolin.application.isTerminated());
}

// The panels' pictures: the bundle's PNG, else a "png", "jpg" or "jpeg" file of that name (the
// first there decides, readable or not); without one, the fallback symbol and a line naming the
// missing picture.
TEST_F(UninstallerTest, EachPanelShowsItsPictureOrItsSymbolAndTheMissingPicturesName) {
  const std::string jpeg = std::string(
      "\xFF\xD8\xFF\xC0\x00\x11\x08\x00\xDC\x02\x08\x03\x01\x22\x00\x02\x11\x01\x03"
      "\x11\x01\xFF\xD9",
      23);
  struct Case {
    std::vector<std::pair<std::string, std::string>> files;
    bool found;
  };
  const std::vector<Case> cases = {
      {{{"uninstaller-hero.jpeg", jpeg}}, true},
      {{{"uninstaller-hero.jpg", "not a picture"}, {"uninstaller-hero.jpeg", jpeg}}, false},
      {{}, false},
  };
  for (const Case& c : cases) {
    fs::remove_all(folder / "FerrolinUninstaller.app");
    const auto app = makeApp(files, bundleWith(c.files));
    EXPECT_EQ(app->bundledImage("uninstaller-hero") != nullptr, c.found);
    const auto panel = app->buildOnboardingAccessory("uninstaller-hero", "trash",
                                                     "What Will Be Removed", {"One", "Two"});
    const platform::ViewRecord record = panel->describe();
    ASSERT_EQ(record.subviews.size(), 4U);
    const platform::ViewRecord& picture = record.subviews[0];
    EXPECT_EQ(picture.frame, (platform::Rect{0, 120, 520, 220}));
    EXPECT_EQ(picture.layer && picture.layer->contents.has_value(), c.found);
    EXPECT_EQ(picture.imageView && picture.imageView->image &&
                  picture.imageView->image->symbol == "trash",
              !c.found);
    EXPECT_EQ(record.subviews[2].label.value_or(platform::LabelRecord{}).text, "1. One\n2. Two");
    EXPECT_EQ(record.subviews[3].hidden, c.found);
    EXPECT_EQ(record.subviews[3].label.value_or(platform::LabelRecord{}).text,
              "Image placeholder: add uninstaller-hero to uninstaller resources.");
  }
}

TEST_F(UninstallerTest, TheProgressWindowFloatsAboveTheOthersAndWrapsItsMessageInTwoLines) {
  const auto app = makeApp(files, bundleWith({}));
  app->showProgress(
      "Removing Ferrolin, its launcher, the launch agent and every setting it ever stored, which "
      "takes a moment on a slow disk...");
  ASSERT_NE(app->progressWindow(), nullptr);
  const platform::WindowRecord window = app->progressWindow()->describe();
  EXPECT_EQ(window.title, "Ferrolin");
  EXPECT_EQ(window.level, 3);
  EXPECT_TRUE(window.key);
  const platform::ViewRecord content = window.contentView.value_or(platform::ViewRecord{});
  ASSERT_EQ(content.subviews.size(), 2U);
  const platform::ViewRecord& spinner = content.subviews[0];
  EXPECT_EQ(spinner.progress.value_or(platform::ProgressRecord{}).style, "spinning");
  EXPECT_TRUE(spinner.progress.value_or(platform::ProgressRecord{}).animating);
  const platform::LabelRecord message = content.subviews[1].label.value_or(platform::LabelRecord{});
  // Two lines at most: the rest of a long message is cut.
  EXPECT_EQ(message.lines.size(), 2U) << message.text;
  app->closeProgress();
  EXPECT_EQ(app->progressWindow(), nullptr);
  EXPECT_TRUE(desktop.describeScreen().windows.empty());
}

}  // namespace
