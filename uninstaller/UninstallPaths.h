#pragma once

#include <filesystem>
#include <vector>

#include "platform/Error.h"

namespace uninstaller {

// Everything the uninstaller removes, under the user's home folder.
struct UninstallPaths {
  std::filesystem::path launchAgent;  // ~/Library/LaunchAgents/com.quorrel.launcher.plist
  std::filesystem::path application;  // ~/Library/Application Support/Ferrolin/Ferrolin.app
  std::filesystem::path launcher;     // ~/Applications/Ferrolin.app
  std::vector<std::filesystem::path> legacyLaunchers;  // older releases' launcher bundles
  std::filesystem::path applicationFolder;             // ~/Library/Application Support/Ferrolin
  std::vector<std::filesystem::path> data;  // the target application's data, in removal order

  // The paths under `home`. Every removal is aimed by the home folder, so a home that the suite
  // does not trust (suite/HomeFolder.h: a link to "/" among them) is refused with a sentence saying
  // why.
  static platform::Result<UninstallPaths> underHome(const std::filesystem::path& home);

  // The paths removed for both choices, in removal order.
  std::vector<std::filesystem::path> suite() const;
};

}  // namespace uninstaller
