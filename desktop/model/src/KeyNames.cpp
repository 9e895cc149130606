#include "model/KeyNames.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/HotKeyCodes.h"
#include "platform/KeyEvent.h"

namespace platform {
namespace {

struct ModifierName {
  std::string_view name;
  std::uint32_t carbonModifier;
  std::uint32_t modifierFlag;
};

constexpr std::array modifierNames{
    ModifierName{"command", cmdKey, modifierFlag::command},
    ModifierName{"cmd", cmdKey, modifierFlag::command},
    ModifierName{"option", optionKey, modifierFlag::option},
    ModifierName{"opt", optionKey, modifierFlag::option},
    ModifierName{"alt", optionKey, modifierFlag::option},
    ModifierName{"control", controlKey, modifierFlag::control},
    ModifierName{"ctrl", controlKey, modifierFlag::control},
    ModifierName{"shift", shiftKey, modifierFlag::shift},
    ModifierName{"capslock", 0, modifierFlag::capsLock},
    ModifierName{"fn", 0, modifierFlag::function},
};

struct KeyName {
  std::string_view name;
  std::uint16_t keyCode;
  std::uint32_t modifierFlags;  // flags the key itself carries
};

constexpr std::uint32_t arrowFlags = modifierFlag::function | modifierFlag::numericPad;

constexpr std::array keyNames{
    KeyName{"a", 0, 0},
    KeyName{"s", 1, 0},
    KeyName{"d", 2, 0},
    KeyName{"f", 3, 0},
    KeyName{"h", 4, 0},
    KeyName{"g", 5, 0},
    KeyName{"z", 6, 0},
    KeyName{"x", 7, 0},
    KeyName{"c", 8, 0},
    KeyName{"v", 9, 0},
    KeyName{"b", 11, 0},
    KeyName{"q", 12, 0},
    KeyName{"w", 13, 0},
    KeyName{"e", 14, 0},
    KeyName{"r", 15, 0},
    KeyName{"y", 16, 0},
    KeyName{"t", 17, 0},
    KeyName{"1", 18, 0},
    KeyName{"2", 19, 0},
    KeyName{"3", 20, 0},
    KeyName{"4", 21, 0},
    KeyName{"6", 22, 0},
    KeyName{"5", 23, 0},
    KeyName{"9", 25, 0},
    KeyName{"7", 26, 0},
    KeyName{"8", 28, 0},
    KeyName{"0", 29, 0},
    KeyName{"o", 31, 0},
    KeyName{"u", 32, 0},
    KeyName{"i", 34, 0},
    KeyName{"p", 35, 0},
    KeyName{"return", 36, 0},
    KeyName{"enter", 36, 0},
    KeyName{"l", 37, 0},
    KeyName{"j", 38, 0},
    KeyName{"k", 40, 0},
    KeyName{"n", 45, 0},
    KeyName{"m", 46, 0},
    KeyName{"tab", 48, 0},
    KeyName{"space", 49, 0},
    KeyName{"delete", 51, 0},
    KeyName{"escape", 53, 0},
    KeyName{"esc", 53, 0},
    KeyName{"keypad-enter", 76, modifierFlag::numericPad},
    KeyName{"f5", 96, modifierFlag::function},
    KeyName{"f6", 97, modifierFlag::function},
    KeyName{"f7", 98, modifierFlag::function},
    KeyName{"f3", 99, modifierFlag::function},
    KeyName{"f8", 100, modifierFlag::function},
    KeyName{"f9", 101, modifierFlag::function},
    KeyName{"f11", 103, modifierFlag::function},
    KeyName{"f10", 109, modifierFlag::function},
    KeyName{"f12", 111, modifierFlag::function},
    KeyName{"f4", 118, modifierFlag::function},
    KeyName{"f2", 120, modifierFlag::function},
    KeyName{"f1", 122, modifierFlag::function},
    KeyName{"left", 123, arrowFlags},
    KeyName{"right", 124, arrowFlags},
    KeyName{"down", 125, arrowFlags},
    KeyName{"up", 126, arrowFlags},
};

std::string_view trimmed(std::string_view text) {
  constexpr std::string_view blanks = " \t\r\n";
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string lowercased(std::string_view text) {
  std::string result(text);
  std::ranges::transform(result, result.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return result;
}

// The entry of a name table with that name, or null.
template <typename Entry, std::size_t size>
const Entry* named(const std::array<Entry, size>& table, std::string_view name) {
  for (const Entry& entry : table) {
    if (entry.name == name) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace

std::optional<KeyChord> parseKeyChord(std::string_view words) {
  KeyChord chord;
  bool hasKey = false;
  std::size_t start = 0;
  while (start <= words.size()) {
    const auto end = std::min(words.find('+', start), words.size());
    const std::string word = lowercased(trimmed(words.substr(start, end - start)));
    start = end + 1;

    if (const auto* modifier = named(modifierNames, word)) {
      chord.carbonModifiers |= modifier->carbonModifier;
      chord.modifierFlags |= modifier->modifierFlag;
      continue;
    }
    const auto* key = named(keyNames, word);
    if (key == nullptr || hasKey) {
      return std::nullopt;
    }
    hasKey = true;
    chord.keyCode = key->keyCode;
    chord.modifierFlags |= key->modifierFlags;
  }
  if (!hasKey) {
    return std::nullopt;
  }
  return chord;
}

}  // namespace platform
