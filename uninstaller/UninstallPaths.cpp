#include "UninstallPaths.h"

#include <array>

#include "UninstallerTexts.h"
#include "suite/HomeFolder.h"

namespace uninstaller {
namespace {

// The target application's data: its own locations, then those of an older release under its
// former identifiers.
constexpr std::array<const char*, 12> dataPaths = {
    "Library/Application Support/app.ferrolin.desktop",
    "Library/Caches/app.ferrolin.desktop",
    "Library/Preferences/app.ferrolin.desktop.plist",
    "Library/Saved Application State/app.ferrolin.desktop.savedState",
    "Library/WebKit/app.ferrolin.desktop",
    "Library/WebKit/com.quorrel.desktop",
    "Library/WebKit/quorrel",
    "Library/HTTPStorages/app.ferrolin.desktop.binarycookies",
    "Library/HTTPStorages/com.quorrel.desktop.binarycookies",
    "Library/HTTPStorages/quorrel.binarycookies",
    "Library/Preferences/com.quorrel.desktop.plist",
    "Library/Preferences/quorrel.plist",
};

}  // namespace

platform::Result<UninstallPaths> UninstallPaths::underHome(const std::filesystem::path& home) {
  if (const auto trusted = suite::trustedHomeFolder(home, errorDomain, ", so nothing was removed");
      !trusted) {
    return std::unexpected(trusted.error());
  }
  const std::filesystem::path support = home / "Library/Application Support" / productName;
  UninstallPaths paths;
  paths.launchAgent =
      home / "Library/LaunchAgents" / (std::string(launchAgentIdentifier) + ".plist");
  paths.application = support / (std::string(productName) + ".app");
  paths.launcher = home / "Applications" / (std::string(productName) + ".app");
  paths.legacyLaunchers = {home / "Applications/Quorrel Launcher.app",
                           home / "Applications/Ferrolin Launcher.app"};
  paths.applicationFolder = support;
  for (const char* path : dataPaths) {
    paths.data.push_back(home / path);
  }
  return paths;
}

std::vector<std::filesystem::path> UninstallPaths::suite() const {
  std::vector<std::filesystem::path> removed = {launchAgent, application, launcher};
  removed.insert(removed.end(), legacyLaunchers.begin(), legacyLaunchers.end());
  removed.push_back(applicationFolder);
  return removed;
}

}  // namespace uninstaller
