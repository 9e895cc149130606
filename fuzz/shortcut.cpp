// The shortcut grammar and its display form, on any text: the settings file, the configuration and
// the capture view all hand it text from outside.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "FuzzSupport.h"
#include "ShortcutGrammar.h"
#include "platform/CarbonEvents.h"
#include "platform/KeyCodeNames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::text(data, size);
  const std::optional<launcher::ParsedHotkey> parsed = launcher::parseHotkey(text);
  fuzz::require(launcher::isValidHotkey(text) == parsed.has_value(),
                "isValidHotkey agrees with parseHotkey");
  const std::string display = launcher::prettyHotkey(text);
  if (!parsed) {
    return 0;
  }
  constexpr std::uint32_t anyModifier =
      platform::cmdKey | platform::shiftKey | platform::optionKey | platform::controlKey;
  fuzz::require((parsed->modifiers & ~anyModifier) == 0, "only modifier masks are set");
  fuzz::require(
      std::ranges::any_of(platform::hotKeyNames(),
                          [&](const auto& key) { return key.keyCode == parsed->keyCode; }),
      "the key code is one of the named keys");
  fuzz::require(!display.empty(), "a valid shortcut has a display form");
  fuzz::require(launcher::parseHotkey(display) == parsed, "the display names what is registered");
  std::string upper(text);
  std::ranges::transform(upper, upper.begin(), [](char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  });
  fuzz::require(launcher::parseHotkey(upper) == parsed, "the grammar ignores case");
  return 0;
}
