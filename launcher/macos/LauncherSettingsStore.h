#pragma once

#include <filesystem>

#include "LauncherConfig.h"
#include "LauncherSettings.h"
#include "platform/Error.h"
#include "platform/FileManager.h"

namespace launcher {

// Keeps LauncherSettings in "~/Library/Application Support/Ferrolin/launcher-settings.json". Holds
// no copy of the settings: callers keep the current value. Main thread only.
class LauncherSettingsStore {
 public:
  // The file's location is fixed here, under the file manager's home directory.
  explicit LauncherSettingsStore(platform::FileManager& fileManager);

  const std::filesystem::path& fileURL() const { return fileURL_; }

  // The settings in the file, with per-field fallbacks for a "shortcut" that is empty or does not
  // parse (the configuration's first shortcut when it parses, else fallback()'s), an empty
  // "language" ("en") and an absent, null or empty "coverMonitor" ("primary"); the defaults as a
  // whole (startAtLogin = startupEnabled) when the file cannot be read or decoded (a file that is
  // not a regular one, or larger than smallFileLimit, cannot be read). Never fails; never writes.
  LauncherSettings load(const LauncherConfig& defaults, bool startupEnabled) const;

  // Creates the file's folder (with missing parents), encodes the settings compactly and writes
  // them atomically. The first failing step's error; a failed write leaves the old file whole.
  platform::Result<void> save(const LauncherSettings& settings) const;

 private:
  platform::FileManager* fileManager_;
  std::filesystem::path fileURL_;
};

}  // namespace launcher
