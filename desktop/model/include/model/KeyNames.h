#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

// A key combination as the desktop's driver presses it: the virtual key code (ANSI keyboard
// position), the Carbon modifier mask a hot key is registered with, and the modifier flags a key
// event carries (see KeyEvent.h).
struct KeyChord {
  std::uint16_t keyCode = 0;
  std::uint32_t carbonModifiers = 0;
  std::uint32_t modifierFlags = 0;

  friend bool operator==(const KeyChord&, const KeyChord&) = default;
};

// Reads words joined by "+", case-insensitive, blanks around a word ignored, for example
// "command+option+b". Modifiers: "command"/"cmd", "option"/"opt"/"alt", "control"/"ctrl",
// "shift", and "capslock" and "fn", which are key-event flags only. Exactly one key, by a word of
// allKeyNames (KeyCodeNames.h), with the flags the key carries. No key, two keys, an unknown or
// empty word: nullopt.
std::optional<KeyChord> parseKeyChord(std::string_view words);

}  // namespace platform
