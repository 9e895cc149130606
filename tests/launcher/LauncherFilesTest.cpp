// The launcher's files in a temporary home: its configuration, the settings and the launch agent.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "LauncherConfig.h"
#include "LauncherSettings.h"
#include "LauncherSettingsStore.h"
#include "StartupManager.h"
#include "platform/Bundle.h"
#include "platform/Error.h"
#include "platform/FileManager.h"
#include "platform/ProcessInfo.h"
#include "platform/PropertyList.h"
#include "support/TemporaryFolder.h"
#include "support/TestScripts.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Calls = std::vector<std::vector<std::string>>;
using launcher::LauncherConfig;
using launcher::LauncherSettings;
using testsupport::readFile;
using testsupport::writeFile;

// A document with the five keys, and its value; `name` tells the candidates apart.
nlohmann::json document(const std::string& name) {
  return {{"targetAppName", name},
          {"bundleIdentifier", "com.example." + name},
          {"currentVersion", "2.0.0"},
          {"apiOrigin", "https://" + name + ".example"},
          {"hotkeys", {"control+shift+space", "command+option+b"}}};
}

LauncherConfig config(const std::string& name) {
  return {name,
          "com.example." + name,
          "2.0.0",
          "https://" + name + ".example",
          {"control+shift+space", "command+option+b"}};
}

TEST(LauncherConfig, DecodesTheFiveKeysOnlyWhenEachIsThereWithItsType) {
  nlohmann::json extra = document("one");
  extra["unknown"] = {{"nested", true}};
  EXPECT_EQ(LauncherConfig::decodeText(extra.dump(2)), config("one"));
  EXPECT_EQ(LauncherConfig::decodeText(R"({"targetAppName": "", "bundleIdentifier": "",
                 "currentVersion": "", "apiOrigin": "", "hotkeys": []})"),
            (LauncherConfig{"", "", "", "", {}}));

  for (const char* key :
       {"targetAppName", "bundleIdentifier", "currentVersion", "apiOrigin", "hotkeys"}) {
    nlohmann::json missing = document("one");
    missing.erase(key);
    EXPECT_EQ(LauncherConfig::decode(missing), std::nullopt) << "missing " << key;
  }
  for (const auto& [key, wrong] : std::vector<std::pair<const char*, nlohmann::json>>{
           {"currentVersion", 2},
           {"apiOrigin", nullptr},
           {"targetAppName", nlohmann::json::array({"b"})},
           {"hotkeys", "b"},
           {"hotkeys", nlohmann::json::array({"command+option+b", 7})}}) {
    nlohmann::json typed = document("one");
    typed[key] = wrong;
    EXPECT_EQ(LauncherConfig::decode(typed), std::nullopt) << key << " = " << wrong.dump();
  }
  for (const std::string& text :
       {std::string(), std::string("{"), std::string("[]"), document("one").dump() + " trailing"}) {
    EXPECT_EQ(LauncherConfig::decodeText(text), std::nullopt) << text;
  }
}

// load() over real files: a bundle, an executable's folder and the variable's file.
class LauncherConfigLoad : public testing::Test {
 protected:
  LauncherConfig load(const std::optional<fs::path>& variable,
                      std::vector<std::string> arguments) const {
    std::map<std::string, std::string> environment{{"HOME", "/nowhere"}};
    if (variable) {
      environment["QUORREL_LAUNCHER_CONFIG"] = variable->string();
    }
    return LauncherConfig::load({std::move(arguments), std::move(environment), ::getuid()}, bundle,
                                fileManager);
  }
  LauncherConfig load(const std::optional<fs::path>& variable) const {
    return load(variable, {(folder / "bin" / "Ferrolin Launcher").string()});
  }

  testsupport::TemporaryFolder folder;
  platform::FileManager fileManager{folder / "home", folder / "tmp"};
  fs::path app = folder / "Ferrolin Launcher.app";
  platform::Bundle bundle =
      platform::Bundle::forExecutable(app / "Contents/MacOS/Ferrolin Launcher");
  fs::path resource = app / "Contents/Resources/launcher-config.json";
  fs::path besideExecutable = folder / "bin" / "launcher-config.json";
  fs::path variableFile = folder / "elsewhere" / "config.json";
};

TEST_F(LauncherConfigLoad, TheFirstUsableCandidateIsTakenWholeElseTheBuiltInValues) {
  const LauncherConfig builtIn{
      "Ferrolin", "app.ferrolin.desktop", "1.0.0", "https://ferrolin.app", {"command+option+b"}};
  writeFile(variableFile, "");
  writeFile(resource, "null");
  writeFile(besideExecutable, R"({"targetAppName": "beside", "hotkeys": ["control+k"]})");
  EXPECT_EQ(load(variableFile), builtIn);

  writeFile(variableFile, document("variable").dump());
  writeFile(resource, document("bundle").dump());
  writeFile(besideExecutable, document("beside").dump());
  EXPECT_EQ(load(variableFile), config("variable"));
  EXPECT_EQ(load(std::nullopt), config("bundle"));

  // An unusable variable's file gives way to the bundle's as a whole.
  nlohmann::json lacking = document("variable");
  lacking.erase("hotkeys");
  writeFile(folder / "lacking.json", lacking.dump());
  fs::create_directories(folder / "a folder");
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", folder / "zero");
  for (const fs::path& candidate : {folder / "lacking.json", folder / "absent.json",
                                    folder / "a folder", folder / "fifo", folder / "zero"}) {
    EXPECT_EQ(load(candidate), config("bundle")) << candidate;
  }

  // The file beside the executable only when the other two are unusable, and only beside the
  // first argument.
  writeFile(resource, "[1, 2, 3]");
  EXPECT_EQ(load(folder / "lacking.json"), config("beside"));
  fs::remove(resource);
  writeFile(folder / "other" / "launcher-config.json", document("other").dump());
  EXPECT_EQ(load(std::nullopt, {(folder / "other" / "Ferrolin Launcher").string(),
                                (folder / "bin" / "Ferrolin Launcher").string()}),
            config("other"));
  EXPECT_EQ(load(std::nullopt, {}), builtIn) << "no third candidate";
}

// The store over a temporary home, with a configuration whose first shortcut is not the fallback's.
class LauncherSettingsStoreTest : public testing::Test {
 protected:
  LauncherSettings load(bool startupEnabled = false) const {
    return store.load(config, startupEnabled);
  }
  LauncherSettings loadFile(const std::string& contents, bool startupEnabled = false) const {
    writeFile(settingsFile, contents);
    return load(startupEnabled);
  }
  nlohmann::json savedDocument() const { return nlohmann::json::parse(readFile(settingsFile)); }

  testsupport::TemporaryFolder folder;
  fs::path home = testsupport::madeFolder(folder / "home");
  platform::FileManager fileManager{home, folder / "tmp"};
  fs::path settingsFile = home / "Library/Application Support/Ferrolin/launcher-settings.json";
  launcher::LauncherSettingsStore store{fileManager};
  launcher::LauncherConfig config{"Ferrolin",
                                  "app.ferrolin.desktop",
                                  "1.0.0",
                                  "https://ferrolin.app",
                                  {"control+shift+space", "command+option+b"}};
  LauncherSettings defaults{"control+shift+space", false, "en", "primary"};
};

TEST_F(LauncherSettingsStoreTest, LoadFallsBackFieldByFieldOrForAnUnusableFileAsAWhole) {
  EXPECT_EQ(load(false), defaults);
  const LauncherSettings defaultsWithAgent{"control+shift+space", true, "en", "primary"};
  EXPECT_EQ(load(true), defaultsWithAgent);
  EXPECT_FALSE(fs::exists(home / "Library"));

  // Empty or missing values fall back field by field, and so does a shortcut that does not parse
  // (the file is not rewritten); a key without modifiers is a shortcut, a language is not checked.
  EXPECT_EQ(
      loadFile(R"({"shortcut": "", "startAtLogin": true, "language": "", "coverMonitor": ""})"),
      defaultsWithAgent);
  const std::string unparsable = R"({"shortcut": "command+f1", "startAtLogin": false,
                                     "language": "xx", "coverMonitor": null, "theme": "dark"})";
  EXPECT_EQ(loadFile(unparsable, true),
            (LauncherSettings{"control+shift+space", false, "xx", "primary"}));
  EXPECT_EQ(readFile(settingsFile), unparsable);
  EXPECT_EQ(loadFile(R"({"shortcut": "b", "startAtLogin": false, "language": "fr"})").shortcut,
            "b");
  for (const std::string contents : {
           R"({"language": "fr", "startAtLogin": false})",
           R"({"shortcut": null, "startAtLogin": false, "language": "fr"})",
           R"({"shortcut": "b", "startAtLogin": "false", "language": "fr"})",
           R"({"shortcut": "b", "startAtLogin": false, "language": "fr", "coverMonitor": 1})",
           "{",
           R"(["b", false, "fr"])",
       }) {
    EXPECT_EQ(loadFile(contents, true), defaultsWithAgent) << contents;
  }
  // What cannot be read as a small regular file counts as no file, at once.
  const std::string valid = R"({"shortcut": "b", "startAtLogin": false, "language": "fr"})";
  const std::vector<std::pair<std::string, std::function<void()>>> unreadable = {
      {"a folder", [&] { fs::create_directories(settingsFile); }},
      {"a FIFO", [&] { ASSERT_EQ(::mkfifo(settingsFile.c_str(), 0600), 0); }},
      {"a link to /dev/zero", [&] { fs::create_symlink("/dev/zero", settingsFile); }},
      {"over 1 MiB", [&] { writeFile(settingsFile, valid + std::string(1 << 20, ' ')); }},
  };
  for (const auto& [what, layOut] : unreadable) {
    fs::remove(settingsFile);
    layOut();
    EXPECT_EQ(load(true), defaultsWithAgent) << what;
  }
  config.hotkeys = {"command+f1"};
  EXPECT_EQ(load().shortcut, "command+option+b") << "the built-in one for an unusable default";
  config.hotkeys.clear();
  EXPECT_EQ(load().shortcut, "command+option+b") << "the built-in one without configured ones";
}

TEST_F(LauncherSettingsStoreTest, SaveCreatesTheFoldersAndReplacesTheFileWholeAndCompactly) {
  const LauncherSettings settings{"ctrl+shift+space", true, "es", "Écran intégré"};
  ASSERT_TRUE(store.save(settings));
  EXPECT_EQ(readFile(settingsFile),
            R"({"coverMonitor":"Écran intégré","language":"es","shortcut":"ctrl+shift+space",)"
            R"("startAtLogin":true})");
  EXPECT_EQ(load(false), settings);

  // The installer writes no cover monitor: the next save adds it and drops unknown keys. Without
  // a cover monitor the key is left out.
  const LauncherSettings loaded =
      loadFile(std::string(4096, ' ') + R"({"shortcut":"command+shift+k","startAtLogin":true,)"
                                        R"("language":"de","version":3})");
  ASSERT_TRUE(store.save(loaded));
  EXPECT_EQ(savedDocument(), (nlohmann::json{{"shortcut", "command+shift+k"},
                                             {"startAtLogin", true},
                                             {"language", "de"},
                                             {"coverMonitor", "primary"}}));
  ASSERT_TRUE(store.save(LauncherSettings{"b", false, "en", std::nullopt}));
  EXPECT_EQ(savedDocument(),
            (nlohmann::json{{"shortcut", "b"}, {"startAtLogin", false}, {"language", "en"}}));
}

TEST_F(LauncherSettingsStoreTest, AFailedSaveGivesTheErrorOfTheStepThatFailed) {
  const std::string old = R"({"shortcut":"b","startAtLogin":true,"language":"de"})";
  writeFile(settingsFile, old);
  // A text that is not UTF-8 cannot be encoded.
  const auto unencodable = store.save(LauncherSettings{"command+\xc3", false, "en", "primary"});
  ASSERT_FALSE(unencodable);
  EXPECT_FALSE(unencodable.error().localizedDescription.empty());
  EXPECT_EQ(readFile(settingsFile), old);

  fs::remove(settingsFile);
  fs::create_directories(settingsFile / "inside");
  EXPECT_EQ(store.save(defaults).error(),
            platform::fileError(platform::FileOperation::write, settingsFile, EISDIR));
  EXPECT_TRUE(fs::is_directory(settingsFile / "inside"));

  fs::remove_all(home / "Library");
  writeFile(home / "Library", "a plain file");
  EXPECT_EQ(store.save(defaults).error(),
            platform::fileError(platform::FileOperation::create, home / "Library", EEXIST));
  EXPECT_EQ(readFile(home / "Library"), "a plain file");

  // A home folder that leads to the root of the disk: nothing is written there.
  fs::create_directory_symlink("/", folder / "link-to-root");
  platform::FileManager rootHome{folder / "link-to-root", folder / "tmp"};
  EXPECT_EQ(launcher::LauncherSettingsStore(rootHome).save(defaults).error().localizedDescription,
            "Your home folder is the root of the disk, so the settings were not saved.");
}

// The agent as launchd reads it.
nlohmann::json agentValues(const std::string& program) {
  return {{"Label", "com.quorrel.launcher"},
          {"ProgramArguments", nlohmann::json::array({program})},
          {"RunAtLoad", true},
          {"ProcessType", "Interactive"}};
}

class StartupManagerTest : public testing::Test {
 protected:
  launcher::StartupManager manager(const platform::Bundle& bundle) const {
    return launcher::StartupManager(files, bundle, processes, launchctlTimeLimit, process);
  }
  launcher::StartupManager manager() const {
    return manager(platform::Bundle::forExecutable(executable));
  }
  Calls launchctlCalls() const { return testsupport::readRecordedCalls(tools.launchctlCalls); }

  testsupport::TemporaryFolder folder;
  fs::path home = testsupport::madeFolder(folder / "home");
  fs::path desktopFolder = folder / "desktop";
  testsupport::EmulatedTools tools = testsupport::writeEmulatedTools(desktopFolder);
  platform::FileManager files{home, folder / "tmp"};
  platform::ProcessLauncher processes{platform::SystemPaths(desktopFolder), {}};
  // Generous, so that a busy machine never stops the recording launchctl; short where it hangs.
  std::chrono::milliseconds launchctlTimeLimit = 60s;
  platform::ProcessInfo process{{}, {}, 501};
  // The agent must name it so that launchd reads back exactly this path.
  fs::path executable = home / "Tools & <Odd> Things/Ferrolin.app/Contents/MacOS/Ferrolin Launcher";
  fs::path agentFile = home / "Library/LaunchAgents/com.quorrel.launcher.plist";
  Calls loadCalls{{"bootout", "gui/501", agentFile.string()},
                  {"bootstrap", "gui/501", agentFile.string()}};
};

TEST_F(StartupManagerTest, OnWritesAndLoadsTheAgentOnceAndOffOnlyDeletesIt) {
  EXPECT_FALSE(manager().isEnabled());

  ASSERT_TRUE(manager().setEnabled(true));
  EXPECT_TRUE(manager().isEnabled());
  EXPECT_EQ(platform::readPropertyList(agentFile), agentValues(executable.string()));
  EXPECT_EQ(launchctlCalls(), loadCalls);

  // The agent as written is on and left alone; an empty one, or one for another program, is off
  // and written and loaded anew.
  ASSERT_TRUE(manager().setEnabled(true));
  EXPECT_EQ(launchctlCalls(), loadCalls);
  for (const char* other : {"", "written by someone else"}) {
    writeFile(agentFile, other);
    EXPECT_FALSE(manager().isEnabled());
    ASSERT_TRUE(manager().setEnabled(true));
    EXPECT_TRUE(manager().isEnabled());
  }
  EXPECT_FALSE(
      manager(platform::Bundle::forExecutable(home / "Old.app/Contents/MacOS/Old")).isEnabled());
  Calls threeLoads;
  for (int load = 0; load < 3; ++load) {
    threeLoads.insert(threeLoads.end(), loadCalls.begin(), loadCalls.end());
  }

  writeFile(agentFile, "written by someone else");
  ASSERT_TRUE(manager().setEnabled(false));
  EXPECT_FALSE(fs::exists(agentFile));
  EXPECT_TRUE(fs::is_directory(agentFile.parent_path()));
  ASSERT_TRUE(manager().setEnabled(false)) << "nothing to delete is fine";
  EXPECT_EQ(launchctlCalls(), threeLoads);
}

TEST_F(StartupManagerTest, LaunchctlAndFileFailuresAreErrorsWhileAFailedBootoutIsNot) {
  // launchctl fails every call: the bootout's failure is ignored, the bootstrap's is the error. The
  // agent stays on and takes effect at the next login.
  tools = testsupport::writeEmulatedTools(desktopFolder, 5);
  EXPECT_EQ(manager().setEnabled(true).error(),
            (platform::Error{"FerrolinLauncher", 5, "launchctl failed while updating startup."}));
  EXPECT_EQ(launchctlCalls(), loadCalls);
  EXPECT_TRUE(manager().isEnabled());

  // One that never answers is stopped at the time limit, in the bootout and in the bootstrap.
  fs::remove(agentFile);
  fs::remove(tools.launchctlCalls);
  testsupport::writeNeverEndingScript(desktopFolder / "root/bin/launchctl", tools.launchctlCalls);
  launchctlTimeLimit = 200ms;
  EXPECT_EQ(manager().setEnabled(true).error(),
            (platform::Error{platform::errorDomain::process, ETIMEDOUT,
                             "The program “launchctl” didn’t answer within 0.2 seconds and was "
                             "stopped."}));
  EXPECT_EQ(launchctlCalls(), loadCalls);
  EXPECT_TRUE(manager().isEnabled());

  fs::remove(agentFile);
  fs::remove(desktopFolder / "root" / "bin" / "launchctl");
  const platform::Result<void> notStarted = manager().setEnabled(true);
  ASSERT_FALSE(notStarted);
  EXPECT_EQ(notStarted.error().domain, platform::errorDomain::process);
  EXPECT_EQ(notStarted.error().code, ENOENT);
  EXPECT_TRUE(manager().isEnabled());

  fs::remove_all(home / "Library");
  writeFile(home / "Library", "a file where the folder belongs");
  EXPECT_EQ(manager().setEnabled(true).error().domain, platform::errorDomain::file);
  EXPECT_EQ(readFile(home / "Library"), "a file where the folder belongs");
  EXPECT_EQ(launchctlCalls(), loadCalls);

  // A relative home folder: no agent with a relative program path, and nothing removed.
  const platform::FileManager relative{"home", folder / "tmp"};
  for (const bool enabled : {true, false}) {
    EXPECT_EQ(launcher::StartupManager(relative, platform::Bundle::forExecutable(executable),
                                       processes, launchctlTimeLimit, process)
                  .setEnabled(enabled)
                  .error()
                  .localizedDescription,
              "Your home folder “home” is not an absolute path, so start at login was not "
              "changed.");
  }
  EXPECT_EQ(launchctlCalls(), loadCalls);
}

}  // namespace
