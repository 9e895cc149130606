#include "LauncherConfig.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/Bundle.h"
#include "platform/FileManager.h"
#include "platform/ProcessInfo.h"
#include "support/TemporaryFolder.h"

namespace {

namespace fs = std::filesystem;
using launcher::LauncherConfig;
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

TEST(LauncherConfig, FallbackHoldsTheBuiltInValues) {
  const LauncherConfig builtIn{
      "Ferrolin", "app.ferrolin.desktop", "1.0.0", "https://ferrolin.app", {"command+option+b"}};
  EXPECT_EQ(LauncherConfig::fallback(), builtIn);
}

TEST(LauncherConfig, DecodesTheFiveKeysIgnoringOthersAndTakingEmptyValues) {
  EXPECT_EQ(LauncherConfig::decodeText(document("one").dump(2)), config("one"));

  nlohmann::json extra = document("one");
  extra["unknown"] = {{"nested", true}};
  EXPECT_EQ(LauncherConfig::decode(extra), config("one"));

  EXPECT_EQ(LauncherConfig::decodeText(R"({"targetAppName": "", "bundleIdentifier": "",
                 "currentVersion": "", "apiOrigin": "", "hotkeys": []})"),
            (LauncherConfig{"", "", "", "", {}}));
}

TEST(LauncherConfig, AnyKeyMissingNullOrOfTheWrongTypeMakesTheDocumentUnusable) {
  for (const char* key :
       {"targetAppName", "bundleIdentifier", "currentVersion", "apiOrigin", "hotkeys"}) {
    nlohmann::json missing = document("one");
    missing.erase(key);
    EXPECT_EQ(LauncherConfig::decode(missing), std::nullopt) << "missing " << key;

    const bool isList = std::string(key) == "hotkeys";
    for (const nlohmann::json& wrong :
         {nlohmann::json(), nlohmann::json(42), nlohmann::json(true), nlohmann::json::object(),
          isList ? nlohmann::json("b") : nlohmann::json({"b"})}) {
      nlohmann::json typed = document("one");
      typed[key] = wrong;
      EXPECT_EQ(LauncherConfig::decode(typed), std::nullopt) << key << " = " << wrong.dump();
    }
  }
  nlohmann::json mixed = document("one");
  mixed["hotkeys"] = {"command+option+b", 7};
  EXPECT_EQ(LauncherConfig::decode(mixed), std::nullopt);

  for (const std::string& text :
       {std::string(), std::string("{"), std::string("[]"), std::string("null"), std::string("42"),
        document("one").dump() + " trailing", "/* comment */ " + document("one").dump()}) {
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

TEST_F(LauncherConfigLoad, TheFirstUsableCandidateIsTakenWhole) {
  writeFile(variableFile, document("variable").dump());
  writeFile(resource, document("bundle").dump());
  writeFile(besideExecutable, document("beside").dump());
  EXPECT_EQ(load(variableFile), config("variable"));
  EXPECT_EQ(load(std::nullopt), config("bundle"));

  // An unusable variable's file gives way to the bundle's as a whole.
  nlohmann::json lacking = document("variable");
  lacking.erase("hotkeys");
  writeFile(folder / "lacking.json", lacking.dump());
  writeFile(folder / "broken.json", R"({"targetAppName": )");
  nlohmann::json wrong = document("variable");
  wrong["currentVersion"] = 2;
  writeFile(folder / "wrong.json", wrong.dump());
  fs::create_directories(folder / "a folder");
  for (const fs::path& candidate :
       {folder / "lacking.json", folder / "broken.json", folder / "wrong.json",
        folder / "absent.json", folder / "a folder", fs::path()}) {
    EXPECT_EQ(load(candidate), config("bundle")) << candidate;
  }

  // The file beside the executable only when the other two are unusable.
  writeFile(resource, "[1, 2, 3]");
  EXPECT_EQ(load(folder / "lacking.json"), config("beside"));
  fs::remove(resource);
  EXPECT_EQ(load(std::nullopt), config("beside"));
}

TEST_F(LauncherConfigLoad, TheExecutablesFolderComesFromTheFirstArgumentOnly) {
  writeFile(folder / "other" / "launcher-config.json", document("other").dump());
  writeFile(besideExecutable, document("beside").dump());

  EXPECT_EQ(load(std::nullopt, {(folder / "other" / "Ferrolin Launcher").string(),
                                (folder / "bin" / "Ferrolin Launcher").string()}),
            config("other"));
  EXPECT_EQ(load(std::nullopt, {}), LauncherConfig::fallback()) << "no third candidate";
}

TEST_F(LauncherConfigLoad, NothingUsableGivesTheWholeFallback) {
  EXPECT_EQ(load(std::nullopt), LauncherConfig::fallback());

  writeFile(variableFile, "");
  writeFile(resource, "null");
  writeFile(besideExecutable, R"({"targetAppName": "beside", "hotkeys": ["control+k"]})");
  EXPECT_EQ(load(variableFile), LauncherConfig::fallback());
}

}  // namespace
