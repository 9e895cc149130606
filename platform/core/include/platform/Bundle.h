#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// An application bundle (X.app with Contents/Info.plist, Contents/MacOS and Contents/Resources), or
// for a program outside any bundle, its executable's folder standing in for bundle and resources.
// A plain value: all paths are absolute and lexically normal, read once when it is made.
class Bundle {
 public:
  // The running program's bundle, found from the file the process was started from.
  static const Bundle& main();

  // The bundle of an executable: X.app when it sits at X.app/Contents/MacOS/<name>, with the
  // identifier from X.app/Contents/Info.plist when that is readable; otherwise the executable's
  // folder, without identifier.
  static Bundle forExecutable(const std::filesystem::path& executable);

  // The bundle folder X.app read from its Contents/Info.plist; absent when there is no such folder.
  // Its executable is Contents/MacOS/<CFBundleExecutable> when Info.plist names one.
  static std::optional<Bundle> atPath(const std::filesystem::path& bundlePath);

  const std::filesystem::path& bundlePath() const { return bundlePath_; }
  const std::filesystem::path& resourcePath() const { return resourcePath_; }
  const std::optional<std::filesystem::path>& executablePath() const { return executablePath_; }
  const std::optional<std::string>& bundleIdentifier() const { return bundleIdentifier_; }
  // Whether Info.plist marks the application as a user-interface element ("LSUIElement" true): it
  // starts as an accessory application, without a Dock icon, and does not take the front.
  bool isUIElement() const { return uiElement_; }

  // resourcePath/name.extension (just name when extension is empty), when that exists.
  std::optional<std::filesystem::path> pathForResource(const std::string& name,
                                                       const std::string& extension) const;

 private:
  Bundle() = default;

  std::filesystem::path bundlePath_;
  std::filesystem::path resourcePath_;
  std::optional<std::filesystem::path> executablePath_;
  std::optional<std::string> bundleIdentifier_;
  bool uiElement_ = false;
};

}  // namespace platform
