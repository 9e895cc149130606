#include "LauncherSettingsStore.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "LauncherConfig.h"
#include "LauncherSettings.h"
#include "platform/Error.h"
#include "platform/FileManager.h"
#include "support/TemporaryFolder.h"

namespace {

namespace fs = std::filesystem;
using launcher::LauncherSettings;
using testsupport::readFile;
using testsupport::writeFile;

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
  // How many entries the settings folder holds: the atomic write leaves no temporary file behind.
  std::ptrdiff_t entriesBesideTheFile() const {
    return std::distance(fs::directory_iterator(settingsFile.parent_path()),
                         fs::directory_iterator());
  }

  testsupport::TemporaryFolder folder;
  fs::path home = folder / "home";
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

TEST_F(LauncherSettingsStoreTest, DefaultsStandInForAMissingFileAndForEmptyValues) {
  EXPECT_EQ(store.fileURL(), settingsFile);
  EXPECT_EQ(load(false), defaults);
  EXPECT_EQ(load(true), (LauncherSettings{"control+shift+space", true, "en", "primary"}));
  EXPECT_FALSE(fs::exists(home / "Library"));

  // Empty or missing values fall back field by field.
  EXPECT_EQ(
      loadFile(R"({"shortcut": "", "startAtLogin": true, "language": "", "coverMonitor": ""})"),
      (LauncherSettings{"control+shift+space", true, "en", "primary"}));
  config.hotkeys.clear();
  EXPECT_EQ(load().shortcut, "command+option+b") << "the built-in one without configured ones";
  EXPECT_EQ(loadFile(R"({"shortcut": "b", "startAtLogin": false, "language": "es",
                         "coverMonitor": null})",
                     true),
            (LauncherSettings{"b", false, "es", "primary"}));
  // Values are not validated.
  EXPECT_EQ(loadFile(R"({"shortcut": "command+f1", "startAtLogin": false, "language": "xx",
                         "coverMonitor": "nonsense"})",
                     true),
            (LauncherSettings{"command+f1", false, "xx", "nonsense"}));
}

TEST_F(LauncherSettingsStoreTest, AnUnusableFileIsIgnoredAsAWhole) {
  const LauncherSettings defaultsWithAgent{"control+shift+space", true, "en", "primary"};
  for (const std::string contents :
       {R"({"startAtLogin": false, "language": "fr", "coverMonitor": "index:1"})",
        R"({"shortcut": "b", "language": "fr"})", R"({"shortcut": "b", "startAtLogin": false})",
        R"({"shortcut": null, "startAtLogin": false, "language": "fr"})",
        R"({"shortcut": 11, "startAtLogin": false, "language": "fr"})",
        R"({"shortcut": "b", "startAtLogin": "false", "language": "fr"})",
        R"({"shortcut": "b", "startAtLogin": 0, "language": "fr"})",
        R"({"shortcut": "b", "startAtLogin": false, "language": ["fr"]})",
        R"({"shortcut": "b", "startAtLogin": false, "language": "fr", "coverMonitor": 1})", "", "{",
        "null", R"(["b", false, "fr"])"}) {
    EXPECT_EQ(loadFile(contents, true), defaultsWithAgent) << contents;
  }

  fs::remove(settingsFile);
  fs::create_directories(settingsFile);
  EXPECT_EQ(load(true), defaultsWithAgent) << "a folder in the file's place";
}

TEST_F(LauncherSettingsStoreTest, TheNextSaveAddsCoverMonitorAndDropsUnknownKeys) {
  const nlohmann::json german{{"shortcut", "command+shift+k"},
                              {"startAtLogin", true},
                              {"language", "de"},
                              {"coverMonitor", "primary"}};
  for (const std::string contents : {
           // As the installer writes it.
           R"({"shortcut":"command+shift+k","startAtLogin":true,"language":"de"})",
           R"({"shortcut": "command+shift+k", "startAtLogin": true, "language": "de",
               "theme": "dark", "version": 3})",
       }) {
    const LauncherSettings loaded = loadFile(contents);
    EXPECT_EQ(loaded, (LauncherSettings{"command+shift+k", true, "de", "primary"})) << contents;
    ASSERT_TRUE(store.save(loaded));
    EXPECT_EQ(savedDocument(), german) << contents;
  }
}

TEST_F(LauncherSettingsStoreTest, SaveCreatesTheFoldersAndReplacesTheFileCompactly) {
  const LauncherSettings settings{"ctrl+shift+space", true, "es", "Écran intégré"};
  const auto saved = store.save(settings);
  ASSERT_TRUE(saved) << saved.error().localizedDescription;
  EXPECT_EQ(readFile(settingsFile),
            R"({"coverMonitor":"Écran intégré","language":"es","shortcut":"ctrl+shift+space",)"
            R"("startAtLogin":true})");
  EXPECT_EQ(load(false), settings);
  EXPECT_EQ(entriesBesideTheFile(), 1);

  // A longer old file is replaced whole; without a cover monitor the key is left out.
  writeFile(settingsFile, std::string(4096, ' ') + readFile(settingsFile));
  ASSERT_TRUE(store.save(LauncherSettings{"b", false, "en", std::nullopt}));
  EXPECT_EQ(savedDocument(),
            (nlohmann::json{{"shortcut", "b"}, {"startAtLogin", false}, {"language", "en"}}));
  EXPECT_EQ(load().coverMonitor, "primary");
  EXPECT_EQ(entriesBesideTheFile(), 1);
}

TEST_F(LauncherSettingsStoreTest, AFailedSaveLeavesWhatWasThere) {
  const std::string old = R"({"shortcut":"b","startAtLogin":true,"language":"de"})";
  writeFile(settingsFile, old);

  // A text that is not UTF-8 cannot be encoded.
  const auto unencodable = store.save(LauncherSettings{"command+\xc3", false, "en", "primary"});
  ASSERT_FALSE(unencodable);
  EXPECT_FALSE(unencodable.error().localizedDescription.empty());
  EXPECT_EQ(readFile(settingsFile), old);

  // Files may grow to 8 bytes at most: writing the temporary file fails with EFBIG (for root too)
  // instead of raising SIGXFSZ.
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit small{8, limit.rlim_max};
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const auto unwritable = store.save(defaults);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  (void)std::signal(SIGXFSZ, previousHandler);

  ASSERT_FALSE(unwritable);
  EXPECT_EQ(unwritable.error(),
            platform::fileError(platform::FileOperation::write, settingsFile, EFBIG));
  EXPECT_EQ(readFile(settingsFile), old);
  EXPECT_EQ(entriesBesideTheFile(), 1);

  // A folder that cannot be created.
  fs::remove_all(home / "Library");
  writeFile(home / "Library", "a plain file");
  EXPECT_EQ(store.save(defaults).error(),
            platform::fileError(platform::FileOperation::create, home / "Library", EEXIST));
  EXPECT_EQ(readFile(home / "Library"), "a plain file");
}

}  // namespace
