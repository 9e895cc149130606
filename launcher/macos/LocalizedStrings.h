#pragma once

#include <string_view>

#include "suite/Languages.h"

namespace launcher {

// Every text of the settings window in one language: literals of the program, so a plain value
// made whole and never changed.
struct LocalizedStrings {
  const char* windowTitle;
  const char* launcherSettings;
  const char* shortcut;
  const char* shortcutHint;
  // Beside the shortcut while the system has not registered it.
  const char* shortcutNotRegistered;
  const char* startAtLogin;
  const char* language;
  const char* coverMonitor;
  const char* update;
  const char* checkNow;
  const char* openDownloadPage;
  const char* apply;
  const char* checkingForUpdates;
  const char* upToDate;
  const char* updateFound;
  const char* noUpdatesAvailable;
  // The toast after a check that could not learn anything.
  const char* updateCheckFailed;
  const char* applied;
  const char* primaryDisplay;
  const char* displayPrefix;
};

// The sets, one per language of suite::languages.
const suite::Translations<LocalizedStrings>& allLocalizedStrings();

// The set for a language code of suite::languages, matched exactly; any other code gives English.
const LocalizedStrings& localizedStrings(std::string_view code);

}  // namespace launcher
