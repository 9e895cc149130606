#include "LauncherSettingsStore.h"

#include <optional>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "suite/LauncherSettingsFile.h"

namespace launcher {

LauncherSettingsStore::LauncherSettingsStore(platform::FileManager& fileManager)
    : fileManager_(&fileManager),
      fileURL_(suite::launcherSettingsPath(fileManager.homeDirectory())) {}

LauncherSettings LauncherSettingsStore::load(const LauncherConfig& defaults,
                                             bool startupEnabled) const {
  const std::string defaultShortcut = defaults.hotkeys.empty()
                                          ? LauncherConfig::fallback().hotkeys.front()
                                          : defaults.hotkeys.front();
  LauncherSettings settings{
      .shortcut = defaultShortcut,
      .startAtLogin = startupEnabled,
      .language = "en",
      .coverMonitor = "primary",
  };

  const auto contents = fileManager_->contentsOfFile(fileURL_);
  if (!contents) {
    return settings;
  }
  const nlohmann::json document =
      nlohmann::json::parse(*contents, /*cb=*/nullptr, /*allow_exceptions=*/false);
  if (document.is_discarded()) {
    return settings;
  }
  auto stored = LauncherSettings::decode(document);
  if (!stored) {
    return settings;
  }

  if (!stored->shortcut.empty()) {
    settings.shortcut = std::move(stored->shortcut);
  }
  settings.startAtLogin = stored->startAtLogin;
  if (!stored->language.empty()) {
    settings.language = std::move(stored->language);
  }
  if (stored->coverMonitor && !stored->coverMonitor->empty()) {
    settings.coverMonitor = std::move(stored->coverMonitor);
  }
  return settings;
}

platform::Result<void> LauncherSettingsStore::save(const LauncherSettings& settings) const {
  return suite::writeSettingsFile(*fileManager_, fileURL_, settings.toJSON());
}

}  // namespace launcher
