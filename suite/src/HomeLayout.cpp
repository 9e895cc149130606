#include "suite/HomeLayout.h"

#include <array>
#include <string>
#include <string_view>

#include "suite/Identity.h"

namespace suite {
namespace {

constexpr std::array<std::string_view, 12> dataLocations = {
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

std::string bundle(std::string_view name) {
  return std::string(name) + ".app";
}

}  // namespace

HomeLayout HomeLayout::under(const std::filesystem::path& home) {
  HomeLayout layout;
  layout.home = home;
  layout.applicationsFolder = home / "Applications";
  layout.installedLauncher = layout.applicationsFolder / bundle(installedLauncherName);
  layout.launchAgentsFolder = home / "Library/LaunchAgents";
  layout.launchAgent = layout.launchAgentsFolder / (std::string(launchAgentLabel) + ".plist");
  layout.supportFolder = home / "Library/Application Support" / productName;
  layout.installedApplication = layout.supportFolder / bundle(productName);
  layout.launcherSettings = layout.supportFolder / "launcher-settings.json";
  layout.legacyLaunchers = {layout.applicationsFolder / "Quorrel Launcher.app",
                            layout.applicationsFolder / bundle(launcherBundleName)};
  for (const std::string_view location : dataLocations) {
    layout.data.push_back(home / location);
  }
  return layout;
}

std::vector<std::filesystem::path> HomeLayout::suiteItems() const {
  std::vector<std::filesystem::path> items = {launchAgent, installedApplication, installedLauncher};
  items.insert(items.end(), legacyLaunchers.begin(), legacyLaunchers.end());
  items.push_back(supportFolder);
  return items;
}

}  // namespace suite
