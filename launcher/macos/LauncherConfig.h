#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "platform/Bundle.h"
#include "platform/FileManager.h"
#include "platform/ProcessInfo.h"

namespace launcher {

// The launcher's read-only configuration, loaded once from "launcher-config.json". A plain value:
// every component that needs it keeps its own copy.
struct LauncherConfig {
  // JSON keys, all required when decoding.
  static constexpr const char* targetAppNameKey = "targetAppName";
  static constexpr const char* bundleIdentifierKey = "bundleIdentifier";
  static constexpr const char* currentVersionKey = "currentVersion";
  static constexpr const char* apiOriginKey = "apiOrigin";
  static constexpr const char* hotkeysKey = "hotkeys";

  std::string targetAppName;         // the target's bundle name without ".app"
  std::string bundleIdentifier;      // the target's bundle identifier
  std::string currentVersion;        // the version the update check treats as installed
  std::string apiOrigin;             // base address of the product's web site
  std::vector<std::string> hotkeys;  // shortcut texts; the first is the default shortcut

  // The built-in configuration, built once on first use.
  static const LauncherConfig& fallback();

  // The first usable file of: the path in QUORREL_LAUNCHER_CONFIG, the main bundle's resource
  // "launcher-config.json", "launcher-config.json" next to the executable named by the first
  // argument; else fallback(). A candidate that cannot be read or decoded only moves the search on.
  // Never fails. Files are read through fileManager, so one that is not a regular file or is
  // larger than platform::smallFileLimit cannot be read.
  static LauncherConfig load(const platform::ProcessInfo& process, const platform::Bundle& bundle,
                             const platform::FileManager& fileManager);

  // Decodes one configuration document; nothing when it is not an object or when a key is
  // missing, null or of the wrong type. Other keys are ignored.
  static std::optional<LauncherConfig> decode(const nlohmann::json& document);
  // The same from text; nothing also when the text is not JSON.
  static std::optional<LauncherConfig> decodeText(std::string_view text);

  friend bool operator==(const LauncherConfig&, const LauncherConfig&) = default;
};

}  // namespace launcher
