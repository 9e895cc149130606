#include "LauncherSettings.h"

#include <optional>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "suite/LauncherSettingsFile.h"

namespace launcher {

std::optional<LauncherSettings> LauncherSettings::decode(const nlohmann::json& document) {
  std::optional<suite::LauncherSettingsPayload> payload =
      suite::LauncherSettingsPayload::decode(document);
  if (!payload) {
    return std::nullopt;
  }
  LauncherSettings settings{
      .shortcut = std::move(payload->shortcut),
      .startAtLogin = payload->startAtLogin,
      .language = std::move(payload->language),
      .coverMonitor = std::nullopt,
  };
  // Missing or null: no value. Anything but a string or null: the document is unusable.
  if (const auto coverMonitor = document.find(coverMonitorKey);
      coverMonitor != document.end() && !coverMonitor->is_null()) {
    if (!coverMonitor->is_string()) {
      return std::nullopt;
    }
    settings.coverMonitor = coverMonitor->get<std::string>();
  }
  return settings;
}

nlohmann::json LauncherSettings::toJSON() const {
  nlohmann::json document =
      suite::LauncherSettingsPayload{shortcut, startAtLogin, language}.toJSON();
  if (coverMonitor) {
    document[coverMonitorKey] = *coverMonitor;
  }
  return document;
}

}  // namespace launcher
