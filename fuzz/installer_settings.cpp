// The installer's merge of the chosen language into an existing settings file: the first line of
// the input is the language the user chose, the rest the file found in the home folder. The merge
// always writes a file that keeps what it could read of the old one.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "FuzzSupport.h"
#include "LauncherSettingsMerge.h"
#include "platform/FileManager.h"
#include "suite/HomeLayout.h"
#include "suite/LauncherSettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzz::ScratchFolder home;
  static const platform::FileManager files(home.path(), home.path());
  static const suite::HomeLayout layout = suite::HomeLayout::under(home.path());
  const std::filesystem::path& file = layout.launcherSettings;

  const auto [language, existing] = fuzz::splitAtLine(fuzz::text(data, size));
  fuzz::writeFile(file, existing);
  const auto old = suite::LauncherSettingsPayload::decodeText(existing);
  fuzz::require(installer::saveLauncherLanguage(files, layout, std::string(language)).has_value(),
                "the merged settings are written");
  const auto contents = files.contentsOfFile(file);
  if (!contents) {
    fuzz::fail("the merged settings can be read");
  }
  const auto merged = suite::LauncherSettingsPayload::decodeText(*contents);
  if (!merged) {
    fuzz::fail("the merged settings are a settings file");
  }
  if (old) {
    fuzz::require(merged->shortcut == old->shortcut && merged->startAtLogin == old->startAtLogin,
                  "the merge keeps the shortcut and start at login it found");
  }
  fuzz::require(merged->language == language || merged->language == "en",
                "the merge stores the chosen language, or English");
  return 0;
}
