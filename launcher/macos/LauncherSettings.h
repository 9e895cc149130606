#pragma once

#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "platform/Error.h"

namespace launcher {

// The user's choices for the launcher, as kept in "launcher-settings.json". A plain value.
struct LauncherSettings {
  // JSON keys. The first three are required when decoding; "coverMonitor" may be absent or null.
  static constexpr const char* shortcutKey = "shortcut";
  static constexpr const char* startAtLoginKey = "startAtLogin";
  static constexpr const char* languageKey = "language";
  static constexpr const char* coverMonitorKey = "coverMonitor";

  std::string shortcut;       // the global shortcut, e.g. "command+option+b"
  bool startAtLogin = false;  // whether the launch agent is to start the launcher at login
  std::string language;       // language code of the settings window, e.g. "en"
  std::optional<std::string> coverMonitor;  // the chosen display, e.g. "primary"

  // Decodes one settings document: nothing when it is not an object, when "shortcut",
  // "startAtLogin" or "language" is missing or null, or when any of the four keys holds a value of
  // the wrong type. Other keys are ignored.
  static std::optional<LauncherSettings> decode(const nlohmann::json& document);

  // The document with "shortcut", "startAtLogin", "language" and, only when present,
  // "coverMonitor".
  nlohmann::json toJSON() const;

  // toJSON() as compact UTF-8 text. Fails only when a text is not valid UTF-8.
  platform::Result<std::string> encode() const;

  friend bool operator==(const LauncherSettings&, const LauncherSettings&) = default;
};

}  // namespace launcher
