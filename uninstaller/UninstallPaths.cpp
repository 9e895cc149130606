#include "UninstallPaths.h"

#include <sys/stat.h>

#include <array>

#include "UninstallerTexts.h"

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

platform::Error refusedHome(const std::string& why) {
  return platform::Error{errorDomain, 1, "Your home folder " + why + ", so nothing was removed."};
}

}  // namespace

platform::Result<UninstallPaths> UninstallPaths::underHome(const std::filesystem::path& home) {
  if (home.empty()) {
    return std::unexpected(refusedHome("is not known"));
  }
  if (!home.is_absolute()) {
    return std::unexpected(refusedHome("“" + home.string() + "” is not an absolute path"));
  }
  if (home.lexically_normal() == home.root_path()) {
    return std::unexpected(refusedHome("is the root of the disk"));
  }
  struct stat info {};
  if (::stat(home.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    return std::unexpected(refusedHome("“" + home.string() + "” is not a folder"));
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
