#include "model/KeyNames.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/HotKeyCodes.h"
#include "platform/KeyCodeNames.h"
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

const ModifierName* modifierNamed(std::string_view name) {
  const auto* const found = std::ranges::find(modifierNames, name, &ModifierName::name);
  return found != modifierNames.end() ? found : nullptr;
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

    if (const auto* modifier = modifierNamed(word)) {
      chord.carbonModifiers |= modifier->carbonModifier;
      chord.modifierFlags |= modifier->modifierFlag;
      continue;
    }
    const KeyCodeName* key = findKeyWord(allKeyNames(), word);
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
