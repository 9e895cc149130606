#include "suite/LauncherSettingsFile.h"

#include <nlohmann/json.hpp>

#include "platform/JsonText.h"

namespace suite {

std::optional<LauncherSettingsPayload> LauncherSettingsPayload::decode(
    const nlohmann::json& document) {
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
  return LauncherSettingsPayload{
      .shortcut = shortcut->get<std::string>(),
      .startAtLogin = startAtLogin->get<bool>(),
      .language = language->get<std::string>(),
  };
}

std::optional<LauncherSettingsPayload> LauncherSettingsPayload::decodeText(std::string_view text) {
  return decode(platform::parseJson(text));
}

nlohmann::json LauncherSettingsPayload::toJSON() const {
  return {
      {shortcutKey, shortcut},
      {startAtLoginKey, startAtLogin},
      {languageKey, language},
  };
}

platform::Result<void> writeSettingsFile(const platform::FileManager& files,
                                         const std::filesystem::path& file,
                                         const nlohmann::json& document) {
  if (auto created = files.createDirectory(file.parent_path()); !created) {
    return created;
  }
  std::string encoded;
  try {
    encoded = document.dump();
  } catch (const nlohmann::json::exception&) {
    // Only a text that is not valid UTF-8 gets here.
    return std::unexpected(
        platform::Error{platform::errorDomain::file, 4866,
                        "The data couldn’t be written because it isn’t in the correct format."});
  }
  return files.writeAtomically(file, encoded);
}

}  // namespace suite
