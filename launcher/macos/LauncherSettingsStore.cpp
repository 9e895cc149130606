#include "LauncherSettingsStore.h"

#include <optional>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "ShortcutGrammar.h"
#include "platform/JsonText.h"
#include "suite/HomeFolder.h"
#include "suite/HomeLayout.h"
#include "suite/LauncherSettingsFile.h"

namespace launcher {

LauncherSettingsStore::LauncherSettingsStore(platform::FileManager& fileManager)
    : fileManager_(&fileManager),
      fileURL_(suite::HomeLayout::under(fileManager.homeDirectory()).launcherSettings) {}

LauncherSettings LauncherSettingsStore::load(const LauncherConfig& defaults,
                                             bool startupEnabled) const {
  // A configured shortcut that does not parse would leave the launcher without one.
  const std::string defaultShortcut =
      defaults.hotkeys.empty() || !isValidHotkey(defaults.hotkeys.front())
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
  const nlohmann::json document = platform::parseJson(*contents);
  if (document.is_discarded()) {
    return settings;
  }
  auto stored = LauncherSettings::decode(document);
  if (!stored) {
    return settings;
  }

  // A stored shortcut that does not parse could not be registered, while the menu would name it:
  // the default takes its place until the user applies new settings, and the file stays as it is.
  if (isValidHotkey(stored->shortcut)) {
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
  if (const auto home = suite::trustedHomeFolder(fileManager_->homeDirectory(), "FerrolinLauncher",
                                                 ", so the settings were not saved");
      !home) {
    return std::unexpected(home.error());
  }
  return suite::writeSettingsFile(*fileManager_, fileURL_, settings.toJSON());
}

}  // namespace launcher
