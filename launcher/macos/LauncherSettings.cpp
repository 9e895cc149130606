#include "LauncherSettings.h"

#include <optional>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

namespace launcher {

std::optional<LauncherSettings> LauncherSettings::decode(const nlohmann::json& document) {
  if (!document.is_object()) {
    return std::nullopt;
  }
  const auto shortcut = document.find(shortcutKey);
  const auto startAtLogin = document.find(startAtLoginKey);
  const auto language = document.find(languageKey);
  if (shortcut == document.end() || !shortcut->is_string() || startAtLogin == document.end() ||
      !startAtLogin->is_boolean() || language == document.end() || !language->is_string()) {
    return std::nullopt;
  }
  LauncherSettings settings{
      .shortcut = shortcut->get<std::string>(),
      .startAtLogin = startAtLogin->get<bool>(),
      .language = language->get<std::string>(),
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
  nlohmann::json document = {
      {shortcutKey, shortcut},
      {startAtLoginKey, startAtLogin},
      {languageKey, language},
  };
  if (coverMonitor) {
    document[coverMonitorKey] = *coverMonitor;
  }
  return document;
}

platform::Result<std::string> LauncherSettings::encode() const {
  try {
    return toJSON().dump();
  } catch (const nlohmann::json::exception&) {
    // Only a text that is not valid UTF-8 gets here.
    return std::unexpected(
        platform::Error{platform::errorDomain::file, 4866,
                        "The data couldn’t be written because it isn’t in the correct format."});
  }
}

}  // namespace launcher
