#include "ShortcutGrammar.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace launcher {

// Readable failure messages; found by argument-dependent lookup, so not in an unnamed namespace.
// NOLINTNEXTLINE(misc-use-internal-linkage)
void PrintTo(const ParsedHotkey& hotkey, std::ostream* out) {
  *out << "{keyCode " << hotkey.keyCode << ", modifiers 0x" << std::hex << hotkey.modifiers
       << std::dec << "}";
}

}  // namespace launcher

namespace {

using launcher::ParsedHotkey;
using launcher::parseHotkey;

// Carbon's modifier masks.
constexpr std::uint32_t command = 0x0100;
constexpr std::uint32_t shift = 0x0200;
constexpr std::uint32_t option = 0x0800;
constexpr std::uint32_t control = 0x1000;

TEST(ShortcutGrammar, EveryKeyNameParsesAloneAndWithEachModifier) {
  const std::map<std::string, std::uint32_t> ansiKeys{
      {"a", 0},  {"s", 1},      {"d", 2},       {"f", 3},      {"h", 4},       {"g", 5},  {"z", 6},
      {"x", 7},  {"c", 8},      {"v", 9},       {"b", 11},     {"q", 12},      {"w", 13}, {"e", 14},
      {"r", 15}, {"y", 16},     {"t", 17},      {"1", 18},     {"2", 19},      {"3", 20}, {"4", 21},
      {"6", 22}, {"5", 23},     {"9", 25},      {"7", 26},     {"8", 28},      {"0", 29}, {"o", 31},
      {"u", 32}, {"i", 34},     {"p", 35},      {"l", 37},     {"j", 38},      {"k", 40}, {"n", 45},
      {"m", 46}, {"space", 49}, {"return", 36}, {"enter", 36}, {"escape", 53},
  };
  EXPECT_EQ(launcher::keyCodeMap(), ansiKeys);
  for (const auto& [name, code] : ansiKeys) {
    EXPECT_EQ(parseHotkey(name), (ParsedHotkey{code, 0})) << name;
    for (const auto& [prefix, mask] : std::map<std::string, std::uint32_t>{{"command+", command},
                                                                           {"shift+", shift},
                                                                           {"option+", option},
                                                                           {"control+", control}}) {
      EXPECT_EQ(parseHotkey(prefix + name), (ParsedHotkey{code, mask})) << prefix << name;
    }
  }
}

TEST(ShortcutGrammar, ParsesTheKeyAndModifiers) {
  const std::vector<std::pair<std::string, ParsedHotkey>> cases{
      // Spellings: upper case and the short modifier words.
      {"COMMAND+OPTION+B", {11, command | option}},
      {"CMD+ALT+B", {11, command | option}},
      {"ctrl+shift+space", {49, control | shift}},
      {"command+shift+option+control+0", {29, 0x1B00}},
      // Modifiers anywhere, repeated; empty pieces between plus signs add nothing.
      {"b+command+option", {11, command | option}},
      {"cmd+command+b", {11, command}},
      {"+command++b+", {11, command}},
      // The last other piece decides the key; an unknown word before it was only a cleared key.
      {"command+b+a", {0, command}},
      {"command+unknown+b", {11, command}},
      {"fn+b", {11, 0}},
      {"opt+b", {11, 0}},
      // Each piece is trimmed after the split, of newlines and tabs too; blanks inside a word stay.
      {" command + option + b ", {11, command | option}},
      {"\tcommand\n+\r\noption+\vb\f", {11, command | option}},
      {"command+ +b", {11, command}},
      {"com mand+b", {11, 0}},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(parseHotkey(text), expected) << '"' << text << '"';
    EXPECT_TRUE(launcher::isValidHotkey(text)) << '"' << text << '"';
  }
}

TEST(ShortcutGrammar, RejectsTextsWithoutAKnownLastKey) {
  for (const std::string text :
       {// Modifiers alone, or nothing.
        "command+option", "", "+++", " ",
        // An unknown or blank last piece clears the key.
        "command+b+unknown", "b+f1", "command+b+ ", "command+spa ce",
        // Keys outside the table.
        "f1", "command+f1", "command+left", "command+,", "command+comma", "command+tab",
        "command+esc", "command+ab", "command+10", "command+é"}) {
    EXPECT_EQ(parseHotkey(text), std::nullopt) << '"' << text << '"';
    EXPECT_FALSE(launcher::isValidHotkey(text)) << '"' << text << '"';
  }
}

TEST(ShortcutGrammar, DisplayFormShowsEachPieceWithoutTrimmingOrValidating) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"cmd+alt+b", "Command + Option + B"},
      {"COMMAND+ctrl+Option+b", "Command + Control + Option + B"},
      {"Control+SHIFT+Space", "Control + Shift + SPACE"},
      {"b+command", "B + Command"},
      {"", ""},
      {"++command++b+", "Command + B"},
      // Blanks stay, and keep a word from being a modifier.
      {"command + b", "COMMAND  +  B"},
      {" shift+b", " SHIFT + B"},
      {"command+b+ ", "Command + B +  "},
      // Nothing is validated.
      {"fn+left", "FN + LEFT"},
      {"option+,", "Option + ,"},
      {"command+a+f1", "Command + A + F1"}};
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(launcher::prettyHotkey(text), expected) << '"' << text << '"';
  }
}

}  // namespace
