#include "ShortcutGrammar.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CarbonEvents.h"
#include "platform/KeyCodeNames.h"

namespace launcher {
namespace {

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char upperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string lowercased(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    c = lowerAscii(c);
  }
  return result;
}

std::string uppercased(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    c = upperAscii(c);
  }
  return result;
}

// White space and newlines: blank, tab, line feed, vertical tab, form feed, carriage return.
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view trimmed(std::string_view piece) {
  while (!piece.empty() && isBlank(piece.front())) {
    piece.remove_prefix(1);
  }
  while (!piece.empty() && isBlank(piece.back())) {
    piece.remove_suffix(1);
  }
  return piece;
}

// The pieces between "+" signs, empty ones dropped.
std::vector<std::string_view> splitAtPlus(std::string_view text) {
  std::vector<std::string_view> pieces;
  while (!text.empty()) {
    const auto plus = text.find('+');
    const std::string_view piece = text.substr(0, plus);
    if (!piece.empty()) {
      pieces.push_back(piece);
    }
    if (plus == std::string_view::npos) {
      break;
    }
    text.remove_prefix(plus + 1);
  }
  return pieces;
}

// The Carbon mask of a modifier word (lower case), or nothing for any other word.
std::optional<std::uint32_t> modifierMask(std::string_view word) {
  if (word == "cmd" || word == "command") {
    return platform::cmdKey;
  }
  if (word == "shift") {
    return platform::shiftKey;
  }
  if (word == "option" || word == "alt") {
    return platform::optionKey;
  }
  if (word == "ctrl" || word == "control") {
    return platform::controlKey;
  }
  return std::nullopt;
}

// The display name of a modifier word (lower case), or nothing for any other word.
std::optional<std::string_view> modifierName(std::string_view word) {
  switch (modifierMask(word).value_or(0)) {
    case platform::cmdKey:
      return "Command";
    case platform::controlKey:
      return "Control";
    case platform::optionKey:
      return "Option";
    case platform::shiftKey:
      return "Shift";
    default:
      return std::nullopt;
  }
}

// A text read piece by piece, each lower-cased and trimmed: the modifier words, each once in the
// order first written, and every other piece (an empty one included), each a key.
struct Pieces {
  std::vector<std::string_view> modifiers;
  std::vector<std::string_view> keys;
};

Pieces readPieces(std::string_view lowerText) {
  Pieces pieces;
  for (const std::string_view rawPiece : splitAtPlus(lowerText)) {
    const std::string_view piece = trimmed(rawPiece);
    if (!modifierMask(piece)) {
      pieces.keys.push_back(piece);
    } else if (std::ranges::none_of(pieces.modifiers, [&](std::string_view word) {
                 return modifierMask(word) == modifierMask(piece);
               })) {
      pieces.modifiers.push_back(piece);
    }
  }
  return pieces;
}

// The display of a text that is no shortcut: each piece as written, modifier words named and
// every other piece upper-cased with its blanks.
std::string piecewiseDisplay(std::string_view text) {
  std::string display;
  bool first = true;
  for (const std::string_view piece : splitAtPlus(text)) {
    if (!first) {
      display += " + ";
    }
    first = false;
    const std::optional<std::string_view> name = modifierName(lowercased(piece));
    display += name ? std::string(*name) : uppercased(piece);
  }
  return display;
}

}  // namespace

std::optional<ParsedHotkey> parseHotkey(std::string_view text) {
  const std::string lower = lowercased(text);
  const Pieces pieces = readPieces(lower);
  // Exactly one key: a text that names two would register only one of them.
  if (pieces.keys.size() != 1) {
    return std::nullopt;
  }
  const platform::KeyCodeName* const key =
      platform::findKeyWord(platform::hotKeyNames(), pieces.keys.front());
  if (key == nullptr) {
    return std::nullopt;
  }
  std::uint32_t modifiers = 0;
  for (const std::string_view word : pieces.modifiers) {
    modifiers |= modifierMask(word).value_or(0);
  }
  return ParsedHotkey{.keyCode = key->keyCode, .modifiers = modifiers};
}

bool isValidHotkey(std::string_view text) {
  return parseHotkey(text).has_value();
}

std::string prettyHotkey(std::string_view text) {
  if (!isValidHotkey(text)) {
    return piecewiseDisplay(text);
  }
  // What is registered: the modifiers in the order written, then the key.
  const std::string lower = lowercased(text);
  const Pieces pieces = readPieces(lower);
  std::string display;
  for (const std::string_view word : pieces.modifiers) {
    display += std::string(modifierName(word).value_or(word)) + " + ";
  }
  return display + uppercased(pieces.keys.front());
}

}  // namespace launcher
