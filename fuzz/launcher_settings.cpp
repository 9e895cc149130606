// The launcher's settings file: loaded as the launcher loads it at start, with its fallbacks, and
// what it then writes must read back as the same settings.

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "LauncherConfig.h"
#include "LauncherSettingsStore.h"
#include "platform/FileManager.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzz::ScratchFolder home;
  static platform::FileManager files(home.path(), home.path());
  static const launcher::LauncherSettingsStore store(files);

  fuzz::writeFile(store.fileURL(), fuzz::text(data, size));
  const launcher::LauncherConfig& defaults = launcher::LauncherConfig::fallback();
  const launcher::LauncherSettings loaded = store.load(defaults, false);
  fuzz::require(!loaded.shortcut.empty() && !loaded.language.empty() &&
                    loaded.coverMonitor.has_value() && !loaded.coverMonitor->empty(),
                "every setting has a value after loading");
  fuzz::require(store.save(loaded).has_value(), "loaded settings can be saved");
  fuzz::require(store.load(defaults, true) == loaded, "saved settings load back the same");
  return 0;
}
