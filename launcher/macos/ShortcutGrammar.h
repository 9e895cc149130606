#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace launcher {

// A shortcut text turned into what the Carbon hot-key service needs: the virtual key code (ANSI
// keyboard numbering) and the OR of Carbon modifier masks (0 when the text names no modifier).
struct ParsedHotkey {
  std::uint32_t keyCode = 0;
  std::uint32_t modifiers = 0;

  friend bool operator==(const ParsedHotkey&, const ParsedHotkey&) = default;
};

// Lower-cases the text, splits it at "+" (dropping empty pieces), trims each piece (a blank piece
// becomes "" and stays) and ORs modifier words into the mask. A result only when exactly one other
// piece is left and it is one of platform::hotKeyNames (the letters, the digits, "space", "return",
// "enter" and "escape"): a text naming two keys would register only one of them.
std::optional<ParsedHotkey> parseHotkey(std::string_view text);

// True exactly when parseHotkey gives a result.
bool isValidHotkey(std::string_view text);

// The display form, joined with " + ". For a shortcut, what parseHotkey registers: its modifiers as
// "Command", "Control", "Option", "Shift" in the order first written, then its key upper-cased
// ("command + option + b" is "Command + Option + B"). For any other text, each piece as written
// (split at "+", empty pieces dropped, nothing trimmed): modifier words named, every other piece
// upper-cased with its blanks. Never fails.
std::string prettyHotkey(std::string_view text);

}  // namespace launcher
