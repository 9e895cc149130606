#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "platform/Error.h"
#include "platform/FileManager.h"

namespace suite {

// The three settings that both the launcher and the installer read and write. A plain value.
struct LauncherSettingsPayload {
  // JSON keys, all three required when decoding.
  static constexpr const char* shortcutKey = "shortcut";
  static constexpr const char* startAtLoginKey = "startAtLogin";
  static constexpr const char* languageKey = "language";

  std::string shortcut;       // the global shortcut, e.g. "command+option+b"
  bool startAtLogin = false;  // whether the launch agent is to start the launcher at login
  std::string language;       // language code of the launcher's settings window, e.g. "en"

  // Nothing unless the document is an object with a string "shortcut", a Boolean "startAtLogin"
  // and a string "language". Other keys are ignored.
  static std::optional<LauncherSettingsPayload> decode(const nlohmann::json& document);
  // decode() of the JSON text; text that is not JSON gives nothing.
  static std::optional<LauncherSettingsPayload> decodeText(std::string_view text);

  // The document with exactly the three keys.
  nlohmann::json toJSON() const;

  friend bool operator==(const LauncherSettingsPayload&, const LauncherSettingsPayload&) = default;
};

// Creates the file's folder (with missing parents), encodes the document compactly and writes it
// atomically. The first failing step's error (a text that is not UTF-8 cannot be encoded); a failed
// write leaves the old file whole.
platform::Result<void> writeSettingsFile(const platform::FileManager& files,
                                         const std::filesystem::path& file,
                                         const nlohmann::json& document);

}  // namespace suite
