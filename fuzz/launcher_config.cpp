// The launcher's configuration file, as the launcher decodes each candidate file it finds.

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "LauncherConfig.h"
#include "ShortcutGrammar.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto config = launcher::LauncherConfig::decodeText(fuzz::text(data, size));
  if (config) {
    // The launcher registers the configured shortcuts.
    for (const std::string& hotkey : config->hotkeys) {
      static_cast<void>(launcher::parseHotkey(hotkey));
    }
  }
  return 0;
}
