#pragma once

#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

namespace launcher {

// The user's choices for the launcher, as kept in "launcher-settings.json": the three settings the
// installer writes too (suite::LauncherSettingsPayload) and the launcher's own cover monitor. A
// plain value.
struct LauncherSettings {
  // The JSON key of the cover monitor, which may be absent or null.
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

  friend bool operator==(const LauncherSettings&, const LauncherSettings&) = default;
};

}  // namespace launcher
