#pragma once

#include <filesystem>
#include <vector>

namespace suite {

// Every place under a home folder that the programs install, read or remove. A plain value: making
// it touches nothing on disk, and nothing in it is checked (suite/HomeFolder.h checks the home).
struct HomeLayout {
  std::filesystem::path home;
  std::filesystem::path applicationsFolder;  // ~/Applications
  std::filesystem::path installedLauncher;   // ~/Applications/Ferrolin.app
  std::filesystem::path launchAgentsFolder;  // ~/Library/LaunchAgents
  std::filesystem::path launchAgent;         // ~/Library/LaunchAgents/com.quorrel.launcher.plist
  std::filesystem::path supportFolder;       // ~/Library/Application Support/Ferrolin
  std::filesystem::path
      installedApplication;  // ~/Library/Application Support/Ferrolin/Ferrolin.app
  std::filesystem::path
      launcherSettings;  // ~/Library/Application Support/Ferrolin/launcher-settings.json
  // Launcher bundles that older releases installed in ~/Applications.
  std::vector<std::filesystem::path> legacyLaunchers;
  // The target application's data: its own locations, then those of an older release under its
  // former identifiers.
  std::vector<std::filesystem::path> data;

  static HomeLayout under(const std::filesystem::path& home);

  // What the suite itself puts in the home, the agent first and the support folder last: the
  // agent, the installed application, the installed launcher, the legacy launchers and the support
  // folder with the settings in it.
  std::vector<std::filesystem::path> suiteItems() const;
};

}  // namespace suite
