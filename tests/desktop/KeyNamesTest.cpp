#include "model/KeyNames.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/CarbonEvents.h"
#include "platform/KeyEvent.h"

namespace {

using platform::KeyChord;
using platform::parseKeyChord;
namespace flag = platform::modifierFlag;

// Modifier words set the Carbon masks and the event flags; special keys also carry the flags a
// real keyboard sends with them.
TEST(KeyNames, WordsGiveTheKeyCodeCarbonMaskAndEventFlags) {
  const std::array<std::pair<std::string_view, KeyChord>, 19> cases{{
      {"command+option+b", {11, 0x0900, flag::command | flag::option}},
      {"CMD+Alt+B", {11, 0x0900, flag::command | flag::option}},
      {"b+opt+command", {11, 0x0900, flag::command | flag::option}},
      {"ctrl+shift+space", {49, 0x1200, flag::control | flag::shift}},
      {"control+control+return", {36, 0x1000, flag::control}},
      {" command + enter ", {36, 0x0100, flag::command}},
      {"capslock+a", {0, 0, flag::capsLock}},
      {"fn+shift+x", {7, 0x0200, flag::function | flag::shift}},
      {"tab", {48, 0, 0}},
      {"delete", {51, 0, 0}},
      {"esc", {53, 0, 0}},
      {"escape", {53, 0, 0}},
      {"command+f5", {96, platform::cmdKey, flag::command | flag::function}},
      {"F12", {111, 0, flag::function}},
      {"left", {123, 0, flag::function | flag::numericPad}},
      {"right", {124, 0, flag::function | flag::numericPad}},
      {"down", {125, 0, flag::function | flag::numericPad}},
      {"up", {126, 0, flag::function | flag::numericPad}},
      {"keypad-enter", {76, 0, flag::numericPad}},
  }};
  for (const auto& [words, expected] : cases) {
    EXPECT_EQ(parseKeyChord(words), expected) << words;
  }
}

TEST(KeyNames, RefusesTextsWithoutExactlyOneKnownKey) {
  for (const std::string_view words :
       {"", "+", "command", "command+option", "a+b", "command+b+", "command++b", "command+comma",
        "f13", "hyper+a", "keypad enter"}) {
    EXPECT_EQ(parseKeyChord(words), std::nullopt) << '"' << words << '"';
  }
}

}  // namespace
