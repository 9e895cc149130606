#pragma once

#include <array>
#include <string>
#include <string_view>

namespace launcher {

// Every text of the settings window in one language. A plain value: made whole, never changed.
struct LocalizedStrings {
  std::string windowTitle;
  std::string launcherSettings;
  std::string shortcut;
  std::string shortcutHint;
  // Beside the shortcut while the system has not registered it.
  std::string shortcutNotRegistered;
  std::string startAtLogin;
  std::string language;
  std::string coverMonitor;
  std::string update;
  std::string checkNow;
  std::string openDownloadPage;
  std::string apply;
  std::string checkingForUpdates;
  std::string upToDate;
  std::string updateFound;
  std::string noUpdatesAvailable;
  // The toast after a check that could not learn anything.
  std::string updateCheckFailed;
  std::string applied;
  std::string primaryDisplay;
  std::string displayPrefix;

  friend bool operator==(const LocalizedStrings&, const LocalizedStrings&) = default;
};

// A language the settings window offers: its code and its name in its own language.
struct SupportedLanguage {
  std::string_view code;
  std::string_view label;
};

// The languages of the language pop-up, in its order.
inline constexpr std::array<SupportedLanguage, 4> supportedLanguages{{
    {"en", "English"},
    {"fr", "Français"},
    {"es", "Español"},
    {"de", "Deutsch"},
}};

// The four sets, in the order of supportedLanguages.
const std::array<LocalizedStrings, 4>& allLocalizedStrings();

// The set for a language code: "fr", "es" or "de" exactly; any other code gives English.
const LocalizedStrings& localizedStrings(std::string_view code);

}  // namespace launcher
