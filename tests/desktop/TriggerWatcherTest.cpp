#include "TriggerWatcher.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileManager.h"
#include "platform/PollEventLoop.h"
#include "support/TemporaryFolder.h"

namespace {

using ferrolin::TriggerWatcher;
using testsupport::writeFile;

TEST(TriggerWatcherTest, SeesRenamesAndWritesOfItsFileOncePerTurnTrimmedAndOnlyInAFolder) {
  const testsupport::TemporaryFolder folder;
  const platform::FileManager files{folder.path(), folder.path()};
  platform::PollEventLoop loop;
  std::vector<std::string> received;
  const auto watcher = TriggerWatcher::watch(
      folder.path(), "quorrel-command.trigger",
      [&](const std::string& content) { received.push_back(content); }, loop, files);
  ASSERT_TRUE(watcher.has_value()) << watcher.error().localizedDescription;
  const auto waitFor = [&](std::size_t count) {
    const bool arrived =
        loop.runUntil([&] { return received.size() >= count; }, std::chrono::seconds(10));
    loop.runUntilIdle();
    return arrived;
  };
  const auto trigger = folder / "quorrel-command.trigger";

  // Other files of the folder are passed over; two replacements before the loop turns count once.
  writeFile(folder / "quorrel-launch.trigger", "show");
  ASSERT_TRUE(files.writeAtomically(folder / "quorrel-command.trigger.old", "hide"));
  ASSERT_TRUE(files.writeAtomically(trigger, "show"));
  ASSERT_TRUE(files.writeAtomically(trigger, "hide"));
  ASSERT_TRUE(waitFor(1));
  writeFile(trigger, "  show\n");
  ASSERT_TRUE(waitFor(2));
  ASSERT_TRUE(files.writeAtomically(trigger, "hide"));
  ASSERT_TRUE(waitFor(3));

  EXPECT_EQ(received, (std::vector<std::string>{"hide", "show", "hide"}));

  // A folder that cannot be watched is an error.
  writeFile(folder / "file", "");
  for (const auto& [path, code] :
       {std::pair{folder / "missing", ENOENT}, std::pair{folder / "file", ENOTDIR}}) {
    const auto refused = TriggerWatcher::watch(
        path, "quorrel-command.trigger", [](const std::string&) {}, loop, files);
    ASSERT_FALSE(refused.has_value()) << path;
    EXPECT_EQ(refused.error().code, code) << path;
  }
}

}  // namespace
