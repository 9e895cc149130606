#include "platform/FileManager.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/TemporaryFolder.h"
#include "support/TestScripts.h"

namespace {

namespace fs = std::filesystem;
using platform::FileManager;
using testsupport::readFile;
using testsupport::TemporaryFolder;
using testsupport::writeFile;

mode_t modeOf(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

// Every item of a tree with its mode and its content or link target, to compare trees whole.
std::map<std::string, std::string> snapshot(const fs::path& root) {
  std::map<std::string, std::string> items{{".", std::to_string(modeOf(root))}};
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const fs::path& path = entry.path();
    items[fs::relative(path, root).string()] =
        std::to_string(modeOf(path)) + (entry.is_symlink()
                                            ? " -> " + fs::read_symlink(path).string()
                                        : entry.is_regular_file() ? " " + readFile(path)
                                                                  : "/");
  }
  return items;
}

class FileManagerTest : public ::testing::Test {
 protected:
  TemporaryFolder folder;
  FileManager files{folder / "home", folder / "tmp"};
};

TEST_F(FileManagerTest, ExistenceFollowsOrKeepsTheFinalLinkAsAsked) {
  writeFile(folder / "file", "x");
  fs::create_symlink(folder / "file", folder / "link");
  fs::create_symlink(folder / "missing", folder / "dangling");

  EXPECT_TRUE(files.fileExists(folder / "file"));
  EXPECT_TRUE(files.fileExists(folder / "link"));
  EXPECT_FALSE(files.fileExists(folder / "dangling"));
  EXPECT_TRUE(files.itemExists(folder / "dangling"));
  EXPECT_FALSE(files.itemExists(folder / "missing"));
  EXPECT_TRUE(files.fileExists(folder.path()));
}

// Only a regular file within the limit is read; a FIFO nobody writes, a link to an endless device,
// a folder and a longer file are refused at once.
TEST_F(FileManagerTest, CreatesMissingParentsAndReadsWholeRegularFilesUpToTheLimit) {
  const fs::path deep = folder / "home/Library/Application Support/Ferrolin";
  ASSERT_TRUE(files.createDirectory(deep));
  EXPECT_TRUE(fs::is_directory(deep));
  EXPECT_TRUE(files.createDirectory(deep)) << "an existing folder is fine";

  const std::string binary("a\0b\xff\n", 5);
  writeFile(deep / "data.bin", binary);
  EXPECT_EQ(files.contentsOfFile(deep / "data.bin").value(), binary);
  writeFile(deep / "limit", std::string(platform::smallFileLimit, 'x'));
  EXPECT_EQ(files.contentsOfFile(deep / "limit").value_or("").size(), platform::smallFileLimit);

  ASSERT_EQ(::mkfifo((deep / "fifo").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", deep / "zero");
  writeFile(deep / "over", std::string(platform::smallFileLimit + 1, 'x'));
  const std::vector<std::pair<std::string, int>> refused = {
      {"fifo", ENOTSUP}, {"zero", ENOTSUP}, {"over", EFBIG}, {"", EISDIR}};
  for (const auto& [name, code] : refused) {
    const auto read = files.contentsOfFile(deep / name);
    EXPECT_EQ(read ? 0 : read.error().code, code) << name;
  }
}

// A failure names the item and the reason, and leaves everything as it was.
TEST_F(FileManagerTest, FailuresNameTheItemAndTheReason) {
  writeFile(folder / "plain", "x");
  writeFile(folder / "a.txt", "a");
  writeFile(folder / "b.txt", "b");
  auto errorOf = [](const auto& result) { return result ? platform::Error{} : result.error(); };
  const std::vector<std::pair<platform::Error, std::string>> cases = {
      {errorOf(files.createDirectory(folder / "plain/child")),
       "“plain” couldn’t be created because an item with the same name already exists."},
      {errorOf(files.contentsOfFile(folder / "launcher-settings.json")),
       "“launcher-settings.json” couldn’t be opened because there is no such file."},
      {errorOf(files.writeAtomically(folder / "absent/settings.json", "{}")),
       "“settings.json” couldn’t be saved because there is no such file."},
      {errorOf(files.removeItem(folder / "plain/Ferrolin.app")),
       "“Ferrolin.app” couldn’t be removed because a part of its path is not a folder."},
      {errorOf(files.copyItem(folder / "nothing", folder / "c.txt")),
       "“nothing” couldn’t be copied because there is no such file."},
      {errorOf(files.replaceItem(folder / "a.txt", folder / "absent/Ferrolin.app")),
       "“Ferrolin.app” couldn’t be replaced because there is no such file."},
  };
  for (const auto& [error, description] : cases) {
    EXPECT_EQ(error.domain, platform::errorDomain::file) << description;
    EXPECT_EQ(error.localizedDescription, description);
  }
  EXPECT_EQ(errorOf(files.copyItem(folder / "a.txt", folder / "b.txt")).code, EEXIST);
  EXPECT_EQ(readFile(folder / "b.txt"), "b");
  EXPECT_FALSE(files.itemExists(folder / "c.txt"));
}

TEST_F(FileManagerTest, AtomicWriteReplacesTheWholeFileAndLeavesNoTemporaryFiles) {
  const fs::path target = folder / "settings.json";
  ASSERT_TRUE(files.writeAtomically(target, "first version, rather long"));
  EXPECT_EQ(modeOf(target), 0644U);
  ASSERT_TRUE(files.writeAtomically(target, "second"));
  EXPECT_EQ(readFile(target), "second");

  ::chmod(target.c_str(), 0600);
  ASSERT_TRUE(files.writeAtomically(target, ""));
  EXPECT_EQ(readFile(target), "");
  EXPECT_EQ(modeOf(target), 0600U) << "a replaced file keeps its permissions";

  // A link (here to a device anyone may write) is replaced by a file of the default mode.
  const fs::path linked = folder / "linked.json";
  fs::create_symlink("/dev/null", linked);
  ASSERT_TRUE(files.writeAtomically(linked, "{}"));
  EXPECT_FALSE(fs::is_symlink(linked));
  EXPECT_EQ(modeOf(linked), 0644U);
  fs::remove(linked);

  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder.path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

// A write cut off half way (here by the file-size limit, in a child process) must leave the old
// content whole and no stray temporary file.
TEST_F(FileManagerTest, AnInterruptedAtomicWriteLeavesTheOldFileWhole) {
  const fs::path target = folder / "settings.json";
  writeFile(target, "old content");

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR) {
      ::_exit(2);
    }
    const rlimit limit{4096, 4096};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
      ::_exit(2);
    }
    const auto written = files.writeAtomically(target, std::string(1 << 20, 'n'));
    ::_exit(!written && written.error().code == EFBIG ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the write should have failed with EFBIG";

  EXPECT_EQ(readFile(target), "old content");
  for (const auto& entry : fs::directory_iterator(folder.path())) {
    EXPECT_EQ(entry.path(), target) << "stray file " << entry.path();
  }
}

// A writer killed at random moments leaves the old text or the new one, whole. The next write
// removes the temporary files of writers that are gone, and only those: not one of a live process
// and not a file that merely looks alike.
TEST_F(FileManagerTest, WritersKilledAtRandomLeaveAWholeFileAndTheNextWriteRemovesTheirDebris) {
  const fs::path target = folder / "launcher-settings.json";
  const std::string older(6000, 'o');
  const std::string newer(9000, 'n');
  ASSERT_TRUE(files.writeAtomically(target, older));
  std::mt19937 random(std::random_device{}());
  int killsThatLeftDebris = 0;
  pid_t writer = 0;
  // At most 200 kills, within about two seconds however slowly this build forks.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  for (int kill = 0; kill < 200 && std::chrono::steady_clock::now() < until; ++kill) {
    writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      for (bool flip = false;; flip = !flip) {
        [[maybe_unused]] const auto written = files.writeAtomically(target, flip ? older : newer);
      }
    }
    ::usleep(std::uniform_int_distribution<useconds_t>(0, 2000)(random));
    ::kill(writer, SIGKILL);
    ASSERT_EQ(::waitpid(writer, nullptr, 0), writer);
    const std::string text = readFile(target);
    ASSERT_TRUE(text == older || text == newer) << "a torn file of " << text.size() << " bytes";
    killsThatLeftDebris += std::distance(fs::directory_iterator(folder.path()), {}) > 1 ? 1 : 0;
  }
  EXPECT_GT(killsThatLeftDebris, 0) << "no kill interrupted a write";

  const std::string live = ".launcher-settings.json.tmp-" + std::to_string(::getpid()) + "-1f";
  const std::string lookalike = ".launcher-settings.json.tmp-" + std::to_string(writer) + "-old";
  writeFile(folder / live, "");
  writeFile(folder / lookalike, "");
  ASSERT_TRUE(files.writeAtomically(target, older));
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder.path())) {
    left.insert(entry.path().filename());
  }
  EXPECT_EQ(left, (std::set<std::string>{"launcher-settings.json", live, lookalike}));
}

TEST_F(FileManagerTest, RemovingATreeNeverFollowsItsSymbolicLinks) {
  const fs::path outside = folder / "outside";
  writeFile(outside / "precious.txt", "keep me");
  writeFile(folder / "outside-file", "keep me too");

  const fs::path tree = folder / "Ferrolin.app";
  writeFile(tree / "Contents/MacOS/Ferrolin", "#!/bin/sh\n");
  writeFile(tree / "Contents/Resources/a/b/c.txt", "deep");
  fs::create_symlink(outside, tree / "Contents/link-to-folder");
  fs::create_symlink(folder / "outside-file", tree / "Contents/Resources/link-to-file");
  fs::create_symlink("nowhere", tree / "dangling");
  ::chmod((tree / "Contents/Resources/a/b").c_str(), 0555);

  ASSERT_TRUE(files.removeItem(tree));
  EXPECT_FALSE(files.itemExists(tree));
  EXPECT_EQ(readFile(outside / "precious.txt"), "keep me");
  EXPECT_EQ(readFile(folder / "outside-file"), "keep me too");

  // A link to a folder, removed itself, is only the link; a file leaves its folder.
  fs::create_symlink(outside, folder / "alias");
  ASSERT_TRUE(files.removeItem(folder / "alias"));
  EXPECT_FALSE(files.itemExists(folder / "alias"));
  EXPECT_EQ(readFile(outside / "precious.txt"), "keep me");
  ASSERT_TRUE(files.removeItem(outside / "precious.txt"));
  EXPECT_TRUE(fs::is_directory(outside));
}

TEST_F(FileManagerTest, CopyKeepsLinksModesAndContent) {
  const fs::path source = folder / "Ferrolin Launcher.app";
  writeFile(source / "Contents/MacOS/Ferrolin Launcher", "#!/bin/sh\nexit 0\n");
  ::chmod((source / "Contents/MacOS/Ferrolin Launcher").c_str(), 0755);
  writeFile(source / "Contents/Info.plist", "<plist/>");
  ::chmod((source / "Contents/Info.plist").c_str(), 0600);
  fs::create_symlink("MacOS/Ferrolin Launcher", source / "Contents/current");
  fs::create_symlink(folder / "elsewhere", source / "Contents/absolute-link");
  ::chmod((source / "Contents").c_str(), 0555);

  const fs::path destination = folder / "Applications/Ferrolin.app";
  ASSERT_TRUE(files.createDirectory(destination.parent_path()));
  ASSERT_TRUE(files.copyItem(source, destination));

  EXPECT_EQ(readFile(destination / "Contents/MacOS/Ferrolin Launcher"), "#!/bin/sh\nexit 0\n");
  EXPECT_EQ(modeOf(destination / "Contents/MacOS/Ferrolin Launcher"), 0755U);
  EXPECT_EQ(modeOf(destination / "Contents/Info.plist"), 0600U);
  EXPECT_EQ(modeOf(destination / "Contents"), 0555U);
  ASSERT_TRUE(fs::is_symlink(destination / "Contents/current"));
  EXPECT_EQ(fs::read_symlink(destination / "Contents/current"), "MacOS/Ferrolin Launcher");
  EXPECT_EQ(fs::read_symlink(destination / "Contents/absolute-link"), folder / "elsewhere");
}

// A bundle replaces an old tree, a file, a link (itself, not what it leads to) or nothing, whole.
// Staged items of a replacement that was killed go too; those of a live one stay.
TEST_F(FileManagerTest, ReplaceLeavesExactlyTheNewTreeBesideItsNeighbours) {
  const fs::path source = folder / "source/Ferrolin.app";
  writeFile(source / "Contents/MacOS/Ferrolin", "#!/bin/sh\nexit 0\n");
  ::chmod((source / "Contents/MacOS/Ferrolin").c_str(), 0755);
  writeFile(source / "Contents/Resources/big.bin", std::string(300000, 'b'));
  fs::create_symlink("MacOS/Ferrolin", source / "Contents/current");
  fs::create_symlink(folder / "elsewhere", source / "Contents/absolute-link");
  ::chmod((source / "Contents/Resources").c_str(), 0555);
  writeFile(folder / "outside.txt", "keep me");
  const pid_t gone = testsupport::endedProcessId();
  const std::string live = ".Ferrolin.app.staging-" + std::to_string(::getpid()) + "-a";

  const std::vector<std::pair<std::string, std::function<void(const fs::path&)>>> olds = {
      {"tree", [](const fs::path& at) { writeFile(at / "Contents/Info.plist", "old"); }},
      {"file", [](const fs::path& at) { writeFile(at, "old"); }},
      {"link", [&](const fs::path& at) { fs::create_symlink(folder / "outside.txt", at); }},
      {"nothing", [](const fs::path&) {}},
  };
  for (const auto& [old, layOut] : olds) {
    const fs::path installed = folder / old / "Ferrolin.app";
    writeFile(installed.parent_path() / (".Ferrolin.app.staging-" + std::to_string(gone) + "-1f/x"),
              "stale");
    fs::create_directory(installed.parent_path() / live);
    layOut(installed);
    ASSERT_TRUE(files.replaceItem(source, installed)) << old;
    EXPECT_EQ(snapshot(installed), snapshot(source)) << old;
    std::set<std::string> beside;
    for (const auto& entry : fs::directory_iterator(installed.parent_path())) {
      beside.insert(entry.path().filename());
    }
    EXPECT_EQ(beside, (std::set<std::string>{"Ferrolin.app", live})) << old;
  }
  EXPECT_EQ(readFile(folder / "outside.txt"), "keep me");
}

// A copy that fails (a pipe inside the new bundle, a source that is not there) leaves the old
// bundle exactly as it was and nothing staged beside it.
TEST_F(FileManagerTest, AFailedReplaceLeavesTheOldTreeWhole) {
  const fs::path installed = folder / "Applications/Ferrolin.app";
  writeFile(installed / "Contents/MacOS/Ferrolin", "old");
  ::chmod((installed / "Contents/MacOS/Ferrolin").c_str(), 0755);
  fs::create_symlink("MacOS/Ferrolin", installed / "Contents/current");
  const auto before = snapshot(installed);
  const fs::path source = folder / "New.app";
  writeFile(source / "Contents/MacOS/Ferrolin", "new");
  writeFile(source / "Contents/Resources/a.txt", "new");
  ASSERT_EQ(::mkfifo((source / "Contents/Resources/pipe").c_str(), 0644), 0);

  // An item deep inside the bundle is named by its path from the bundle.
  const std::vector<std::tuple<fs::path, int, std::string>> cases = {
      {source, ENOTSUP,
       "“New.app/Contents/Resources/pipe” couldn’t be copied because of an error: Operation not "
       "supported."},
      {folder / "missing.app", ENOENT,
       "“missing.app” couldn’t be copied because there is no such file."}};
  for (const auto& [from, code, description] : cases) {
    const auto replaced = files.replaceItem(from, installed);
    ASSERT_FALSE(replaced) << from;
    EXPECT_EQ(replaced.error().code, code);
    EXPECT_EQ(replaced.error().localizedDescription, description);
    EXPECT_EQ(snapshot(installed), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(installed.parent_path()), {}), 1);
  }
}

// Runs `body` in a child process with user and mount namespaces of its own, where it is root and
// may mount without touching the test's own view of the files. The child's output, or nothing when
// the system offers no such namespaces (the test is then skipped).
std::optional<std::string> inMountNamespace(const std::function<std::string()>& body) {
  std::array<int, 2> pipe{};
  EXPECT_EQ(::pipe(pipe.data()), 0);
  const uid_t user = ::getuid();
  const gid_t group = ::getgid();
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe[0]);
    const auto map = [](const char* file, const std::string& text) {
      const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
      const bool written =
          fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
      ::close(fd);
      return written;
    };
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || !map("/proc/self/setgroups", "deny") ||
        !map("/proc/self/uid_map", "0 " + std::to_string(user) + " 1") ||
        !map("/proc/self/gid_map", "0 " + std::to_string(group) + " 1") ||
        ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      ::_exit(2);
    }
    const std::string output = body();
    const bool sent =
        ::write(pipe[1], output.data(), output.size()) == static_cast<ssize_t>(output.size());
    ::_exit(sent ? 0 : 1);
  }
  ::close(pipe[1]);
  std::string output;
  std::array<char, 4096> buffer{};
  for (ssize_t count = 0; (count = ::read(pipe[0], buffer.data(), buffer.size())) > 0;) {
    output.append(buffer.data(), static_cast<std::size_t>(count));
  }
  ::close(pipe[0]);
  int status = 0;
  EXPECT_EQ(::waitpid(child, &status, 0), child);
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 2) {
    return std::nullopt;
  }
  EXPECT_EQ(WEXITSTATUS(status), 0);
  return output;
}

// A folder of another place mounted inside a tree (here a bind mount of an outside folder, on the
// same file system) stops a removal, a copy and a sweep of leftovers before anything behind it is
// touched; a replacement still puts the new item in place and leaves the old one hidden beside it.
TEST_F(FileManagerTest, NeverEntersAFolderMountedInsideATree) {
  writeFile(folder / "outside/precious.txt", "keep me");
  const auto mountOutside = [&](const fs::path& at) {
    fs::create_directories(at);
    return ::mount((folder / "outside").c_str(), at.c_str(), nullptr, MS_BIND, nullptr) == 0;
  };
  const auto describe = [](const auto& result) {
    return result ? std::string("done") : result.error().localizedDescription;
  };
  const fs::path cache = folder / "home/Library/Caches/app.ferrolin.desktop";
  writeFile(cache / "cache.bin", "data");
  const fs::path bundle = folder / "Applications/Ferrolin.app";
  writeFile(bundle / "Contents/MacOS/Ferrolin", "old");
  const pid_t gone = testsupport::endedProcessId();
  const fs::path leftover =
      folder / "Applications" / (".Ferrolin.app.staging-" + std::to_string(gone) + "-1f");
  writeFile(folder / "source/Ferrolin.app/Contents/MacOS/Ferrolin", "new");

  const auto output = inMountNamespace([&] {
    if (!mountOutside(cache / "volume") || !mountOutside(bundle / "Contents/volume") ||
        !mountOutside(leftover / "volume") ||
        !mountOutside(folder / "source/Ferrolin.app/Contents/volume")) {
      return std::string("mount failed");
    }
    std::string seen = describe(files.removeItem(cache)) + "\n";
    seen += describe(files.copyItem(folder / "source/Ferrolin.app", folder / "copy.app")) + "\n";
    ::umount((folder / "source/Ferrolin.app/Contents/volume").c_str());
    fs::remove(folder / "source/Ferrolin.app/Contents/volume");
    seen += describe(files.replaceItem(folder / "source/Ferrolin.app", bundle)) + "\n";
    files.removeLeftovers(bundle);
    return seen;
  });
  if (!output) {
    GTEST_SKIP() << "no user and mount namespaces here";
  }
  EXPECT_EQ(*output,
            "“app.ferrolin.desktop/volume” couldn’t be removed because it is on another volume.\n"
            "“Ferrolin.app/Contents/volume” couldn’t be copied because it is on another volume.\n"
            "done\n");
  EXPECT_EQ(readFile(folder / "outside/precious.txt"), "keep me");
  EXPECT_EQ(readFile(bundle / "Contents/MacOS/Ferrolin"), "new");
  EXPECT_FALSE(fs::exists(folder / "copy.app/Contents/volume"));
  std::set<std::string> beside;
  for (const auto& entry : fs::directory_iterator(folder / "Applications")) {
    beside.insert(entry.path().filename());
  }
  // The old bundle, which held a mount, stays hidden for a later sweep; so does the old leftover.
  EXPECT_EQ(beside.size(), 3U);
  EXPECT_TRUE(beside.contains("Ferrolin.app") && beside.contains(leftover.filename()));
}

// Two programs removing the same tree at once both succeed: an item the other one removed first is
// not an error, at any depth. Leftovers of killed writers go with removeLeftovers, live ones stay.
TEST_F(FileManagerTest, AnItemAlreadyGoneIsRemovedAndLeftoversOfTheDeadAreSwept) {
  for (int round = 0; round < 20; ++round) {
    const fs::path tree = folder / "Ferrolin.app";
    for (int file = 0; file < 300; ++file) {
      writeFile(tree / "Contents" / std::to_string(file % 12) / std::to_string(file), "x");
    }
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
      ::_exit(files.removeItem(tree) ? 0 : 1);
    }
    const auto removed = files.removeItem(tree);
    EXPECT_TRUE(removed) << removed.error().localizedDescription;
    int status = 0;
    ASSERT_EQ(::waitpid(other, &status, 0), other);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "round " << round;
    EXPECT_FALSE(fs::exists(tree));
  }
  EXPECT_TRUE(files.removeItem(folder / "never-there"));

  const pid_t gone = testsupport::endedProcessId();
  const std::string dead = std::to_string(gone) + "-1f";
  const std::string live = std::to_string(::getpid()) + "-2e";
  for (const std::string& name :
       {".Ferrolin.app.staging-" + dead + "/Contents/x", ".Ferrolin.app.staging-" + live + "/x",
        ".Ferrolin.app.tmp-" + dead, ".Other.app.staging-" + dead + "/x"}) {
    writeFile(folder / "Applications" / name, "left");
  }
  files.removeLeftovers(folder / "Applications/Ferrolin.app");
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder / "Applications")) {
    left.insert(entry.path().filename());
  }
  EXPECT_EQ(left,
            (std::set<std::string>{".Ferrolin.app.staging-" + live, ".Other.app.staging-" + dead}));
}

TEST(PrivateTemporaryDirectory, IsCreatedPrivateAndReused) {
  TemporaryFolder folder;
  const auto created = FileManager::privateTemporaryDirectory(folder.path(), ::getuid());
  ASSERT_TRUE(created);
  EXPECT_EQ(*created, folder / ("ferrolin-" + std::to_string(::getuid())));
  EXPECT_EQ(modeOf(*created), 0700U);
  EXPECT_EQ(FileManager::privateTemporaryDirectory(folder.path(), ::getuid()), created);
}

// Refused: a folder others may write to, a link to a private folder, and the folder of another
// user (this one owns it, not user 4242).
TEST(PrivateTemporaryDirectory, RefusesAFolderOthersCouldTamperWith) {
  const TemporaryFolder folder;
  const std::string name = "ferrolin-" + std::to_string(::getuid());
  for (const char* root : {"open", "linked", "foreign"}) {
    fs::create_directories(folder / root / "private");
    ::chmod((folder / root / "private").c_str(), 0700);
  }
  fs::create_directory(folder / "open" / name);
  ::chmod((folder / "open" / name).c_str(), 0777);
  fs::create_symlink(folder / "linked/private", folder / "linked" / name);
  fs::rename(folder / "foreign/private", folder / "foreign/ferrolin-4242");

  EXPECT_FALSE(FileManager::privateTemporaryDirectory(folder / "open", ::getuid()));
  EXPECT_FALSE(FileManager::privateTemporaryDirectory(folder / "linked", ::getuid()));
  EXPECT_FALSE(FileManager::privateTemporaryDirectory(folder / "foreign", 4242));
}

}  // namespace
