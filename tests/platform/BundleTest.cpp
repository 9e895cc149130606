#include "platform/Bundle.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/PropertyList.h"
#include "support/TemporaryFolder.h"

using namespace std::string_view_literals;

namespace {

using platform::Bundle;
using platform::readPropertyList;
using testsupport::TemporaryFolder;
using testsupport::writeFile;

std::string infoPlist(const std::string& entries) {
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
)" + entries +
         "</dict>\n</plist>\n";
}

// A binary property list of
// {CFBundleIdentifier: "com.example.binary", Enabled: true, Count: 42, Offset: -7, Ratio: 0.5,
//  Nested: {List: ["a b", false, {Deep: "yes"}]}, Stamp: 2024-05-01T12:00:00Z, Blob: 00 01 fe ff
//  21}.
constexpr auto binaryPropertyList =
    "\x62\x70\x6c\x69\x73\x74\x30\x30\xd8\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b"
    "\x0c\x0d\x15\x16\x17\x54\x42\x6c\x6f\x62\x5f\x10\x12\x43\x46\x42\x75\x6e\x64\x6c"
    "\x65\x49\x64\x65\x6e\x74\x69\x66\x69\x65\x72\x55\x43\x6f\x75\x6e\x74\x57\x45\x6e"
    "\x61\x62\x6c\x65\x64\x56\x4e\x65\x73\x74\x65\x64\x56\x4f\x66\x66\x73\x65\x74\x55"
    "\x52\x61\x74\x69\x6f\x55\x53\x74\x61\x6d\x70\x45\x00\x01\xfe\xff\x21\x5f\x10\x12"
    "\x63\x6f\x6d\x2e\x65\x78\x61\x6d\x70\x6c\x65\x2e\x62\x69\x6e\x61\x72\x79\x10\x2a"
    "\x09\xd1\x0e\x0f\x54\x4c\x69\x73\x74\xa3\x10\x11\x12\x53\x61\x20\x62\x08\xd1\x13"
    "\x14\x54\x44\x65\x65\x70\x53\x79\x65\x73\x13\xff\xff\xff\xff\xff\xff\xff\xf9\x23"
    "\x3f\xe0\x00\x00\x00\x00\x00\x00\x33\x41\xc5\xf1\x33\x20\x00\x00\x00\x08\x19\x1e"
    "\x33\x39\x41\x48\x4f\x55\x5b\x61\x76\x78\x79\x7c\x81\x85\x89\x8a\x8d\x92\x96\x9f"
    "\xa8\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x18\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xb1"sv;

TEST(PropertyListTest, ReadsTheSameValuesFromXmlAndBinary) {
  TemporaryFolder folder;
  writeFile(folder / "Info.plist", std::string(binaryPropertyList));
  writeFile(folder / "agent.plist",
            infoPlist(R"(<key>CFBundleIdentifier</key><string>com.example.binary</string>
<key>Enabled</key><true/>
<key>Count</key><integer>42</integer>
<key>Offset</key><integer>-7</integer>
<key>Ratio</key><real>0.5</real>
<key>Nested</key><dict><key>List</key><array><string>a b</string><false/><dict><key>Deep</key><string>yes</string></dict></array></dict>
<key>Stamp</key><date>2024-05-01T12:00:00Z</date>
<key>Blob</key><data>AAH+/yE=</data>
)"));

  const nlohmann::json expected = {
      {"CFBundleIdentifier", "com.example.binary"},
      {"Enabled", true},
      {"Count", 42},
      {"Offset", -7},
      {"Ratio", 0.5},
      {"Nested", {{"List", {"a b", false, {{"Deep", "yes"}}}}}},
      {"Stamp", "2024-05-01T12:00:00Z"},
      {"Blob", "AAH+/yE="},
  };
  for (const char* name : {"Info.plist", "agent.plist"}) {
    const auto document = readPropertyList(folder / name);
    ASSERT_TRUE(document.has_value()) << name << ": " << document.error().localizedDescription;
    EXPECT_EQ(*document, expected) << name;
  }
}

TEST(PropertyListTest, RejectsMissingFilesAndOtherFormats) {
  TemporaryFolder folder;
  const auto missing = readPropertyList(folder / "absent.plist");
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(missing.error(),
            platform::fileError(platform::FileOperation::read, folder / "absent.plist", ENOENT));

  const auto asFolder = readPropertyList(folder.path());
  ASSERT_FALSE(asFolder.has_value());
  EXPECT_EQ(asFolder.error().domain, platform::errorDomain::file);
  EXPECT_EQ(asFolder.error().code, EISDIR);

  for (const std::string contents :
       {"", "{\"json\": true}", "<plist version=\"1.0\"><dict><key>a</key><string>x</string>",
        "bplist00 truncated"}) {
    const auto file = folder / "broken.plist";
    writeFile(file, contents);
    const auto result = readPropertyList(file);
    ASSERT_FALSE(result.has_value()) << contents;
    EXPECT_EQ(result.error(),
              (platform::Error{platform::errorDomain::file, 259,
                               "The file “broken.plist” couldn’t be opened because it isn’t in the "
                               "correct format."}));
  }
}

class BundleTest : public testing::Test {
 protected:
  // Name.app with an executable, an Info.plist (when info is not empty) and one resource.
  std::filesystem::path makeApp(const std::string& name, const std::string& info) {
    const auto app = folder / (name + ".app");
    writeFile(app / "Contents" / "MacOS" / name, "#!/bin/sh\n");
    writeFile(app / "Contents" / "Resources" / "launcher-config.json", "{}");
    if (!info.empty()) {
      writeFile(app / "Contents" / "Info.plist", info);
    }
    return app;
  }

  TemporaryFolder folder;
};

TEST_F(BundleTest, AnAppIsTheSameFoundFromItsExecutableOrFromItsFolder) {
  const auto app =
      makeApp("Ferrolin Launcher",
              infoPlist(R"(<key>CFBundleIdentifier</key><string>com.quorrel.launcher</string>
<key>CFBundleExecutable</key><string>Ferrolin Launcher</string>
)"));

  // A path spelled with "." and ".." still names the same, normalised bundle.
  const Bundle fromExecutable = Bundle::forExecutable(app / "Contents" / "." / "MacOS" / ".." /
                                                      "MacOS" / "Ferrolin Launcher");
  const std::optional<Bundle> fromFolder = Bundle::atPath(app.string() + "/");
  if (!fromFolder) {
    FAIL() << "no bundle at " << app;
  }
  const auto resources = app / "Contents" / "Resources";
  for (const Bundle& bundle : {fromExecutable, *fromFolder}) {
    EXPECT_EQ(bundle.bundlePath(), app);
    EXPECT_EQ(bundle.resourcePath(), resources);
    EXPECT_EQ(bundle.executablePath(), app / "Contents" / "MacOS" / "Ferrolin Launcher");
    EXPECT_EQ(bundle.bundleIdentifier(), "com.quorrel.launcher");
    EXPECT_FALSE(bundle.isUIElement());
    EXPECT_EQ(bundle.pathForResource("launcher-config", "json"),
              resources / "launcher-config.json");
  }
  EXPECT_EQ(fromExecutable.pathForResource("launcher-config.json", ""),
            resources / "launcher-config.json");
  EXPECT_EQ(fromExecutable.pathForResource("launcher-config", "plist"), std::nullopt);

  for (const auto& [value, uiElement] : std::vector<std::pair<std::string, bool>>{
           {"<true/>", true}, {"<string>1</string>", true}, {"<false/>", false}}) {
    const auto element =
        Bundle::atPath(makeApp("Element", infoPlist("<key>LSUIElement</key>" + value + "\n")));
    EXPECT_EQ(element && element->isUIElement(), uiElement) << value;
  }
  // Without a usable Info.plist an app has no identifier and no executable, but its resources.
  for (const auto& [name, info] : std::vector<std::pair<std::string, std::string>>{
           {"NoInfo", ""},
           {"Garbage", "not a property list"},
           {"NotADictionary", R"(<plist version="1.0"><string>com.example</string></plist>)"},
           {"WrongType", infoPlist("<key>CFBundleIdentifier</key><integer>7</integer>")}}) {
    const auto bare = Bundle::atPath(makeApp(name, info));
    if (!bare) {
      ADD_FAILURE() << "no bundle " << name;
      continue;
    }
    EXPECT_EQ(bare->executablePath(), std::nullopt) << name;
    EXPECT_EQ(bare->bundleIdentifier(), std::nullopt) << name;
    EXPECT_TRUE(bare->pathForResource("launcher-config", "json").has_value()) << name;
  }
  EXPECT_EQ(Bundle::atPath(folder / "Absent.app"), std::nullopt);
}

TEST_F(BundleTest, ExecutableOutsideAnyBundleUsesItsFolder) {
  const auto tool = folder / "Contents" / "MacOS" / "tool";  // looks bundled, but no X.app
  writeFile(tool, "#!/bin/sh\n");
  writeFile(folder / "Contents" / "MacOS" / "launcher-config.json", "{}");

  const auto bundle = Bundle::forExecutable(tool);
  EXPECT_EQ(bundle.bundlePath(), folder / "Contents" / "MacOS");
  EXPECT_EQ(bundle.resourcePath(), folder / "Contents" / "MacOS");
  EXPECT_EQ(bundle.executablePath(), tool);
  EXPECT_EQ(bundle.bundleIdentifier(), std::nullopt);
  EXPECT_EQ(bundle.pathForResource("launcher-config", "json"),
            folder / "Contents" / "MacOS" / "launcher-config.json");

  // The test program itself lives outside any bundle.
  const auto self = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(Bundle::main().executablePath(), self);
  EXPECT_EQ(Bundle::main().bundlePath(), self.parent_path());
}

}  // namespace
