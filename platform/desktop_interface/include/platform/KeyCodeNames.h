#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace platform {

// A key by the word that names it (lower case): its virtual key code (ANSI keyboard position) and
// the key-event flags the key itself carries (see KeyEvent.h).
struct KeyCodeName {
  std::string_view word;
  std::uint16_t keyCode = 0;
  std::uint32_t modifierFlags = 0;
};

// The keys a hot-key shortcut is written with: the 26 letters, the 10 digits, "space", "return"
// and "enter" (both the main Return key, 36) and "escape". None carries a flag.
std::span<const KeyCodeName> hotKeyNames();

// Every named key: the hot-key names, then "tab", "delete", "esc", "keypad-enter", "f1".."f12",
// "left", "right", "up" and "down". As on the real keyboard, the function keys carry the function
// flag, the arrows the function and numeric-pad flags and the keypad's Enter the numeric-pad flag.
std::span<const KeyCodeName> allKeyNames();

// The entry of `names` with exactly that word, or null.
const KeyCodeName* findKeyWord(std::span<const KeyCodeName> names, std::string_view word);

// The word a hot key writes for a key code ("return" for 36), or nothing for a key no hot-key name
// names.
std::optional<std::string_view> hotKeyWord(std::uint16_t keyCode);

}  // namespace platform
