#include "platform/ProcessInfo.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/SystemPaths.h"

namespace {

using platform::ProcessInfo;
using platform::SystemPaths;

ProcessInfo withEnvironment(std::map<std::string, std::string> environment) {
  return {{"/usr/local/bin/tool"}, std::move(environment), 501};
}

TEST(ProcessInfoTest, PreferredLanguagesFollowTheLocaleVariables) {
  struct Case {
    std::map<std::string, std::string> environment;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {{}, {"en"}},
      {{{"LANGUAGE", "fr:de"}, {"LANG", "it_IT.UTF-8"}}, {"fr", "de"}},
      {{{"LANGUAGE", "pt_BR.UTF-8@latin::C:es_ES"}}, {"pt-BR", "es-ES"}},
      {{{"LANGUAGE", "C"}, {"LANG", "ja_JP.UTF-8"}}, {"ja-JP"}},
      {{{"LANGUAGE", ""}, {"LC_MESSAGES", "de_AT"}}, {"de-AT"}},
      {{{"LC_ALL", "fr_FR.UTF-8@euro"}, {"LC_MESSAGES", "de_DE"}, {"LANG", "it"}}, {"fr-FR"}},
      // An empty LC_ALL does not count as set; the next variable decides.
      {{{"LC_ALL", ""}, {"LC_MESSAGES", "de_DE.ISO-8859-1"}, {"LANG", "it"}}, {"de-DE"}},
      // LC_ALL=C overrides a later LANG, and "C" means no language: the default.
      {{{"LC_ALL", "C.UTF-8"}, {"LANG", "it_IT"}}, {"en"}},
      {{{"LANG", "POSIX"}}, {"en"}},
  };
  for (const auto& testCase : cases) {
    const auto info = withEnvironment(testCase.environment);
    EXPECT_EQ(info.preferredLanguages(), testCase.expected)
        << "LANGUAGE=" << info.environmentValue("LANGUAGE").value_or("<unset>")
        << " LC_ALL=" << info.environmentValue("LC_ALL").value_or("<unset>")
        << " LANG=" << info.environmentValue("LANG").value_or("<unset>");
  }
}

TEST(ProcessInfoTest, EnvironmentValueTellsUnsetFromEmpty) {
  const auto info = withEnvironment({{"EMPTY", ""}, {"HOME", "/Users/someone"}});
  EXPECT_EQ(info.environmentValue("HOME"), "/Users/someone");
  EXPECT_EQ(info.environmentValue("EMPTY"), "");
  EXPECT_EQ(info.environmentValue("MISSING"), std::nullopt);
}

TEST(ProcessInfoTest, CurrentReflectsTheRunningProcess) {
  const auto& current = ProcessInfo::current();
  ASSERT_FALSE(current.arguments().empty());
  EXPECT_NE(current.arguments().front().find("platform_tests"), std::string::npos);
  EXPECT_EQ(current.realUserId(), getuid());
  const char* path = std::getenv("PATH");
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(current.environmentValue("PATH"), std::string(path));
}

TEST(ProcessInfoTest, SleepLastsAtLeastTheRequestedTime) {
  const auto start = std::chrono::steady_clock::now();
  ProcessInfo::sleepMicroseconds(20'000);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(20'000));
}

TEST(SystemPathsTest, AnEmulatedDesktopMovesOnlyItsToolsAndApplications) {
  const std::string root = "/tmp/desktop/root";
  for (const auto& [paths, moved] : std::vector<std::pair<SystemPaths, bool>>{
           {SystemPaths(std::nullopt), false},
           {SystemPaths::fromProcess(withEnvironment({})), false},
           {SystemPaths::fromProcess(withEnvironment({{"EMULATED_DESKTOP", ""}})), false},
           {SystemPaths(std::filesystem::path("/tmp/desktop")), true},
           {SystemPaths::fromProcess(withEnvironment({{"EMULATED_DESKTOP", "/tmp/desktop"}})),
            true}}) {
    const std::string prefix = moved ? root : "";
    EXPECT_EQ(paths.resolveTool("/bin/launchctl"), prefix + "/bin/launchctl");
    EXPECT_EQ(paths.resolveTool("/usr/bin/open"), prefix + "/usr/bin/open");
    EXPECT_EQ(paths.applicationsDirectory(), prefix + "/Applications");
    for (const char* other :
         {"/bin/sh", "/usr/bin/openssl", "bin/launchctl", "/usr/local/bin/open"}) {
      EXPECT_EQ(paths.resolveTool(other), other);
    }
  }
}

}  // namespace
