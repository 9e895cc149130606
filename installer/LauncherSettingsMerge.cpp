#include "LauncherSettingsMerge.h"

#include <optional>

#include <nlohmann/json.hpp>

#include "suite/Languages.h"
#include "suite/LauncherSettingsFile.h"

namespace installer {
namespace {

constexpr const char* defaultShortcut = "command+option+b";

}  // namespace

platform::Result<void> saveLauncherLanguage(const platform::FileManager& files,
                                            const suite::HomeLayout& layout,
                                            const std::string& language) {
  std::optional<suite::LauncherSettingsPayload> existing;
  if (const auto contents = files.contentsOfFile(layout.launcherSettings)) {
    existing = suite::LauncherSettingsPayload::decodeText(*contents);
  }
  const suite::LauncherSettingsPayload payload{
      existing ? existing->shortcut : defaultShortcut,
      existing ? existing->startAtLogin : files.fileExists(layout.launchAgent),
      suite::languageIndex(language) ? language : "en"};
  return suite::writeSettingsFile(files, layout.launcherSettings, payload.toJSON());
}

}  // namespace installer
