#pragma once

#include <cstdint>
#include <map>
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

// Key names (lower case) and their virtual key codes: 26 letters, 10 digits, "space", "return",
// "enter" (both 36, the main Return key) and "escape". Built once on first use; read-only.
const std::map<std::string, std::uint32_t>& keyCodeMap();

// Lower-cases the text, splits it at "+" (dropping empty pieces), trims each piece (a blank piece
// becomes "" and stays), ORs modifier words into the mask and lets every other piece replace the
// key (a name outside keyCodeMap clears it). A result only when a key is left at the end.
std::optional<ParsedHotkey> parseHotkey(std::string_view text);

// True exactly when parseHotkey gives a result.
bool isValidHotkey(std::string_view text);

// The display form: the text split at "+" (dropping empty pieces, nothing trimmed or lower-cased),
// modifier words as "Command", "Control", "Option", "Shift", every other piece upper-cased with its
// blanks, joined with " + ". Never fails and does not validate.
std::string prettyHotkey(std::string_view text);

}  // namespace launcher
