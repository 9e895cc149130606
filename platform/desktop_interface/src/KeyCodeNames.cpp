#include "platform/KeyCodeNames.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "platform/KeyEvent.h"

namespace platform {
namespace {

constexpr std::array hotKeys{
    KeyCodeName{"a", 0},       KeyCodeName{"s", 1},       KeyCodeName{"d", 2},
    KeyCodeName{"f", 3},       KeyCodeName{"h", 4},       KeyCodeName{"g", 5},
    KeyCodeName{"z", 6},       KeyCodeName{"x", 7},       KeyCodeName{"c", 8},
    KeyCodeName{"v", 9},       KeyCodeName{"b", 11},      KeyCodeName{"q", 12},
    KeyCodeName{"w", 13},      KeyCodeName{"e", 14},      KeyCodeName{"r", 15},
    KeyCodeName{"y", 16},      KeyCodeName{"t", 17},      KeyCodeName{"1", 18},
    KeyCodeName{"2", 19},      KeyCodeName{"3", 20},      KeyCodeName{"4", 21},
    KeyCodeName{"6", 22},      KeyCodeName{"5", 23},      KeyCodeName{"9", 25},
    KeyCodeName{"7", 26},      KeyCodeName{"8", 28},      KeyCodeName{"0", 29},
    KeyCodeName{"o", 31},      KeyCodeName{"u", 32},      KeyCodeName{"i", 34},
    KeyCodeName{"p", 35},      KeyCodeName{"return", 36}, KeyCodeName{"enter", 36},
    KeyCodeName{"l", 37},      KeyCodeName{"j", 38},      KeyCodeName{"k", 40},
    KeyCodeName{"n", 45},      KeyCodeName{"m", 46},      KeyCodeName{"space", 49},
    KeyCodeName{"escape", 53},
};

constexpr std::uint32_t arrowFlags = modifierFlag::function | modifierFlag::numericPad;

constexpr std::array otherKeys{
    KeyCodeName{"tab", 48},
    KeyCodeName{"delete", 51},
    KeyCodeName{"esc", 53},
    KeyCodeName{"keypad-enter", 76, modifierFlag::numericPad},
    KeyCodeName{"f5", 96, modifierFlag::function},
    KeyCodeName{"f6", 97, modifierFlag::function},
    KeyCodeName{"f7", 98, modifierFlag::function},
    KeyCodeName{"f3", 99, modifierFlag::function},
    KeyCodeName{"f8", 100, modifierFlag::function},
    KeyCodeName{"f9", 101, modifierFlag::function},
    KeyCodeName{"f11", 103, modifierFlag::function},
    KeyCodeName{"f10", 109, modifierFlag::function},
    KeyCodeName{"f12", 111, modifierFlag::function},
    KeyCodeName{"f4", 118, modifierFlag::function},
    KeyCodeName{"f2", 120, modifierFlag::function},
    KeyCodeName{"f1", 122, modifierFlag::function},
    KeyCodeName{"left", 123, arrowFlags},
    KeyCodeName{"right", 124, arrowFlags},
    KeyCodeName{"down", 125, arrowFlags},
    KeyCodeName{"up", 126, arrowFlags},
};

constexpr auto allKeys = [] {
  std::array<KeyCodeName, hotKeys.size() + otherKeys.size()> all{};
  std::ranges::copy(otherKeys, std::ranges::copy(hotKeys, all.begin()).out);
  return all;
}();

}  // namespace

std::span<const KeyCodeName> hotKeyNames() {
  return hotKeys;
}

std::span<const KeyCodeName> allKeyNames() {
  return allKeys;
}

const KeyCodeName* findKeyWord(std::span<const KeyCodeName> names, std::string_view word) {
  const auto found = std::ranges::find(names, word, &KeyCodeName::word);
  return found != names.end() ? &*found : nullptr;
}

std::optional<std::string_view> hotKeyWord(std::uint16_t keyCode) {
  const auto* const found = std::ranges::find(hotKeys, keyCode, &KeyCodeName::keyCode);
  if (found == hotKeys.end()) {
    return std::nullopt;
  }
  return found->word;
}

}  // namespace platform
