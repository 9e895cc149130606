#include "platform/ProcessLauncher.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/Eventually.h"
#include "support/TemporaryFolder.h"
#include "support/TestScripts.h"

using namespace std::chrono_literals;
using namespace std::string_literals;

namespace {

using platform::ProcessLauncher;
using platform::SystemPaths;
using testsupport::awaitRecordedCalls;
using testsupport::eventually;
using testsupport::readRecordedCalls;
using testsupport::TemporaryFolder;
using testsupport::writeFile;
using testsupport::writeRecordingScript;

void makeExecutable(const std::filesystem::path& file) {
  std::filesystem::permissions(file, std::filesystem::perms::owner_all);
}

class ProcessLauncherTest : public testing::Test {
 protected:
  TemporaryFolder folder;
  ProcessLauncher launcher{SystemPaths(std::nullopt), {}};
};

TEST_F(ProcessLauncherTest, RunReportsExitStatusOrEndingSignal) {
  for (const int status : {0, 3, 5}) {
    const auto script =
        writeRecordingScript(folder / ("exit" + std::to_string(status)), folder / "calls", status);
    EXPECT_EQ(launcher.run(script, {}), status);
    EXPECT_EQ(launcher.run(script, {}, 60s), status) << "ended well within its time limit";
  }

  const auto selfKilling = folder / "self-killing";
  writeFile(selfKilling, "#!/bin/sh\nkill -TERM $$\nexit 0\n");
  makeExecutable(selfKilling);
  // A signal the caller ignores for itself must still end the child.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;  // NOLINT(cppcoreguidelines-pro-type-union-access)
  struct sigaction previous {};
  ASSERT_EQ(sigaction(SIGTERM, &ignore, &previous), 0);
  const auto result = launcher.run(selfKilling, {});
  sigaction(SIGTERM, &previous, nullptr);
  EXPECT_EQ(result, SIGTERM);
}

// A program still running at its time limit is ended, even one that ignores SIGTERM, and reaped.
TEST_F(ProcessLauncherTest, RunEndsAProgramStillRunningAtItsTimeLimitAndLeavesNothingBehind) {
  std::vector<pid_t> started;
  const ProcessLauncher recording{
      SystemPaths(std::nullopt),
      [&](pid_t pid, const auto&, const auto&) { started.push_back(pid); }};
  const auto deaf = folder / "deaf";
  // Deaf to SIGTERM, it runs for as long as the test does (and no longer, should the test fail).
  writeFile(deaf, "#!/bin/sh\ntrap '' TERM\nwhile kill -0 $PPID; do sleep 0.1; done\n");
  makeExecutable(deaf);

  struct Case {
    std::filesystem::path program;
    std::vector<std::string> arguments;
    std::chrono::milliseconds limit;
    std::string description;
  };
  const std::vector<Case> cases = {
      {"/bin/sleep",
       {"86400"},
       200ms,
       "The program “sleep” didn’t answer within 0.2 seconds and was stopped."},
      {deaf, {}, 1s, "The program “deaf” didn’t answer within 1 second and was stopped."},
  };
  for (const auto& testCase : cases) {
    const auto ran = recording.run(testCase.program, testCase.arguments, testCase.limit);
    ASSERT_FALSE(ran.has_value()) << testCase.program;
    EXPECT_EQ(ran.error(),
              (platform::Error{platform::errorDomain::process, ETIMEDOUT, testCase.description}));
    ASSERT_FALSE(started.empty());
    // Neither running nor a zombie: the pid names no process any more.
    EXPECT_EQ(kill(started.back(), 0), -1) << testCase.program;
    EXPECT_EQ(errno, ESRCH);
  }
  EXPECT_EQ(started.size(), cases.size());
}

TEST_F(ProcessLauncherTest, ProgramsThatCannotStartAreProcessErrors) {
  const auto missing = folder / "launchctl";
  const auto notExecutable = folder / "notes.sh";
  writeFile(notExecutable, "#!/bin/sh\nexit 0\n");
  std::filesystem::permissions(
      notExecutable, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  const auto directory = folder / "Folder.app";
  std::filesystem::create_directory(directory);
  const auto badInterpreter = folder / "orphan";
  writeFile(badInterpreter, "#!/nonexistent/interpreter\n");
  makeExecutable(badInterpreter);

  struct Case {
    std::filesystem::path program;
    int code;
    std::string description;
  };
  const std::vector<Case> cases = {
      {missing, ENOENT,
       "The program “launchctl” couldn’t be started because there is no such file."},
      {notExecutable, EACCES,
       "The program “notes.sh” couldn’t be started because it is not executable."},
      {directory, EISDIR, "The program “Folder.app” couldn’t be started because it is a folder."},
      {badInterpreter, ENOENT,
       "The program “orphan” couldn’t be started because there is no such file."},
  };
  for (const auto& testCase : cases) {
    const auto ran = launcher.run(testCase.program, {"argument"});
    ASSERT_FALSE(ran.has_value()) << testCase.program;
    EXPECT_EQ(ran.error().domain, platform::errorDomain::process);
    EXPECT_EQ(ran.error().code, testCase.code) << testCase.program;
    EXPECT_EQ(ran.error().localizedDescription, testCase.description);

    const auto launched = launcher.launch(testCase.program, {});
    ASSERT_FALSE(launched.has_value()) << testCase.program;
    EXPECT_EQ(launched.error(), ran.error());
    const auto timed = launcher.run(testCase.program, {}, 60s);
    ASSERT_FALSE(timed.has_value()) << testCase.program;
    EXPECT_EQ(timed.error(), ran.error());
  }
}

TEST_F(ProcessLauncherTest, LaunchReturnsAtOnceAndLeavesNoZombie) {
  const auto fifo = folder / "gate";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  // cat blocks opening the FIFO until the test opens its writing end.
  const auto pid = launcher.launch("/bin/cat", {fifo.string()});
  ASSERT_TRUE(pid.has_value()) << pid.error().localizedDescription;
  const auto procEntry = std::filesystem::path("/proc") / std::to_string(*pid);
  // The child is still running cat (its command line appears once exec has finished) after
  // launch() has returned.
  const std::string commandLine = "/bin/cat\0"s + fifo.string() + '\0';
  EXPECT_TRUE(
      eventually([&] { return testsupport::readFile(procEntry / "cmdline") == commandLine; }));

  const int writer = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  close(writer);

  // A zombie keeps its /proc entry; it goes away once the child has been reaped.
  EXPECT_TRUE(eventually([&] { return !std::filesystem::exists(procEntry); }));
}

TEST_F(ProcessLauncherTest, ChildInheritsEnvironmentButNoStrayDescriptors) {
  int pipeEnds[2] = {-1, -1};  // NOLINT(cppcoreguidelines-avoid-c-arrays,modernize-avoid-c-arrays)
  ASSERT_EQ(pipe(pipeEnds), 0);  // deliberately without close-on-exec
  ASSERT_EQ(setenv("FERROLIN_PROBE", "value with spaces", 1), 0);

  const auto probe = folder / "probe";
  const auto report = folder / "report";
  writeFile(probe,
            "#!/bin/sh\n"
            "printf '%s|' \"$FERROLIN_PROBE\" > \"$1\"\n"
            "if [ -e /proc/$$/fd/$2 ]; then echo open >> \"$1\"; else echo closed >> \"$1\"; fi\n");
  makeExecutable(probe);
  const auto status = launcher.run(probe, {report.string(), std::to_string(pipeEnds[0])});

  unsetenv("FERROLIN_PROBE");
  close(pipeEnds[0]);
  close(pipeEnds[1]);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(testsupport::readFile(report), "value with spaces|closed\n");
}

// The system tools of an emulated desktop start from its root, with their arguments exactly as
// given (no shell ever reads them).
TEST_F(ProcessLauncherTest, SystemToolsStartFromTheEmulatedRootWithTheirArgumentsAsGiven) {
  const auto tools = testsupport::writeEmulatedTools(folder.path(), 5, 0);
  const ProcessLauncher emulated{SystemPaths(folder.path()), {}};
  const std::vector<std::string> arguments = {
      "two words",   "", "\"quoted\" and 'single'", "$HOME", "a; rm -rf /", "`id`",
      "line\nbreak", "*"};

  EXPECT_EQ(emulated.run("/bin/launchctl", arguments), 5);
  ASSERT_TRUE(emulated.launch("/usr/bin/open", {"-b", "app.example", "--args", "x y"}).has_value());

  EXPECT_EQ(readRecordedCalls(tools.launchctlCalls),
            (std::vector<std::vector<std::string>>{arguments}));
  EXPECT_EQ(awaitRecordedCalls(tools.openCalls, 1),
            (std::vector<std::vector<std::string>>{{"-b", "app.example", "--args", "x y"}}));
}

}  // namespace
