#include "HotkeyController.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <ranges>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "ShortcutGrammar.h"
#include "model/EmulatedDesktop.h"
#include "model/KeyNames.h"
#include "platform/CarbonEvents.h"
#include "platform/KeyCodeNames.h"
#include "platform/PollEventLoop.h"
#include "support/DesktopProgram.h"

namespace launcher {

// Readable failure messages; found by argument-dependent lookup, so not in an unnamed namespace.
// NOLINTNEXTLINE(misc-use-internal-linkage)
void PrintTo(const ParsedHotkey& hotkey, std::ostream* out) {
  *out << "{keyCode " << hotkey.keyCode << ", modifiers 0x" << std::hex << hotkey.modifiers
       << std::dec << "}";
}

}  // namespace launcher

namespace {

using launcher::HotkeyController;
using launcher::ParsedHotkey;
using launcher::parseHotkey;
using Texts = std::vector<std::string>;

constexpr std::uint32_t command = platform::cmdKey;
constexpr std::uint32_t shift = platform::shiftKey;
constexpr std::uint32_t option = platform::optionKey;
constexpr std::uint32_t control = platform::controlKey;
constexpr std::uint32_t launcherSignature = 0x51524C4CU;  // "QRLL"

// Registrations as the desktop holds them: key code, modifiers, signature and id.
using Keys = std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>>;

// The key names are the 26 letters, the 10 digits, "space", "return", "enter" and "escape", each
// the key the desktop presses by that name, with the same modifier masks. Display forms read back
// as the same shortcut, and the word the shortcut field records for a key code reads back as it.
TEST(ShortcutGrammar, EveryKeyNameIsTheDesktopsKeyOfThatName) {
  std::set<std::string> names{"space", "return", "enter", "escape"};
  for (char key = 'a'; key <= 'z'; ++key) {
    names.emplace(1, key);
  }
  for (char digit = '0'; digit <= '9'; ++digit) {
    names.emplace(1, digit);
  }
  const auto listed = std::views::transform(platform::hotKeyNames(), &platform::KeyCodeName::word);
  EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), names);
  for (const std::string& name : names) {
    for (const std::string modifiers :
         {"", "command+", "shift+", "option+", "control+", "cmd+alt+ctrl+shift+"}) {
      const std::string text = modifiers + name;
      const std::optional<platform::KeyChord> chord = platform::parseKeyChord(text);
      if (!chord) {
        ADD_FAILURE() << "the desktop has no key " << text;
        continue;
      }
      EXPECT_EQ(parseHotkey(text), (ParsedHotkey{chord->keyCode, chord->carbonModifiers})) << text;
      EXPECT_EQ(parseHotkey(launcher::prettyHotkey(text)), parseHotkey(text)) << text;
    }
  }
  for (const platform::KeyCodeName& key : platform::hotKeyNames()) {
    const std::string word(platform::hotKeyWord(key.keyCode).value_or(""));
    EXPECT_EQ(parseHotkey("control+" + word), (ParsedHotkey{key.keyCode, control})) << word;
  }
}

// Parsing lower-cases and trims each piece; modifiers may come anywhere and repeat; exactly one
// other piece, a known key, makes a shortcut. A shortcut is shown as it is registered (modifiers in
// the order written, then the key); any other text piece by piece as written.
TEST(ShortcutGrammar, ParsesAndDisplaysEachPiece) {
  struct Case {
    std::string text;
    std::optional<ParsedHotkey> parsed;
    std::string display;
  };
  const std::vector<Case> cases{
      {"CMD+ALT+B", {{11, command | option}}, "Command + Option + B"},
      {"b+command+control", {{11, command | control}}, "Command + Control + B"},
      {"cmd+command+Space", {{49, command}}, "Command + SPACE"},
      {"++command++b+", {{11, command}}, "Command + B"},
      {" command + option + b ", {{11, command | option}}, "Command + Option + B"},
      {"\tshift\n+\vb\f", {{11, shift}}, "Shift + B"},
      {"b", {{11, 0}}, "B"},
      // Two keys, one of them unknown or blank, are no shortcut.
      {"command+b+c", std::nullopt, "Command + B + C"},
      {"command+unknown+b", std::nullopt, "Command + UNKNOWN + B"},
      {"fn+opt+b", std::nullopt, "FN + OPT + B"},
      {"command+ +b", std::nullopt, "Command +   + B"},
      {"com mand+b", std::nullopt, "COM MAND + B"},
      {"command+option", std::nullopt, "Command + Option"},
      {"", std::nullopt, ""},
      {"+++", std::nullopt, ""},
      {"command+b+ ", std::nullopt, "Command + B +  "},
      {"command+spa ce", std::nullopt, "Command + SPA CE"},
      {"f1", std::nullopt, "F1"},
      {"command+left", std::nullopt, "Command + LEFT"},
      {"option+,", std::nullopt, "Option + ,"},
      {"command+comma", std::nullopt, "Command + COMMA"},
      {"command+esc", std::nullopt, "Command + ESC"},
      {"command+ab", std::nullopt, "Command + AB"},
      {"command+10", std::nullopt, "Command + 10"},
      {"command+é", std::nullopt, "Command + é"},
  };
  for (const auto& [text, parsed, display] : cases) {
    EXPECT_EQ(parseHotkey(text), parsed) << '"' << text << '"';
    EXPECT_EQ(launcher::isValidHotkey(text), parsed.has_value()) << '"' << text << '"';
    EXPECT_EQ(launcher::prettyHotkey(text), display) << '"' << text << '"';
  }
}

class HotkeyControllerTest : public testing::Test {
 protected:
  // The launcher's controller on the launcher program's target, counting presses.
  std::unique_ptr<HotkeyController> makeController(Texts hotkeys) {
    return std::make_unique<HotkeyController>(
        std::move(hotkeys), [this] { ++presses; }, &target);
  }

  // The user presses a combination and the programs handle it; false when nobody holds it.
  bool press(std::string_view words) {
    const bool held = desktop.press(words);
    loop.runUntilIdle();
    return held;
  }

  // The registrations of every program, oldest first.
  Keys registered() const {
    Keys keys;
    for (const auto& key : desktop.hotKeys()) {
      keys.emplace_back(key.keyCode, key.modifiers, key.signature, key.id);
    }
    return keys;
  }

  platform::EmulatedDesktop desktop;
  platform::PollEventLoop loop;
  testsupport::DesktopProgram program{desktop, loop, 6001};
  platform::EventTarget target{program.application};
  int presses = 0;
};

TEST_F(HotkeyControllerTest, InstallRegistersEachTextThatParsesUnderItsPositionUntilUninstall) {
  const auto controller =
      makeController({"command+f1", "command+option+b", "", "ctrl+shift+space", "command+enter"});
  EXPECT_TRUE(registered().empty()) << "creation registers nothing";

  controller->install();

  EXPECT_EQ(registered(), (Keys{{11, command | option, launcherSignature, 2},
                                {49, control | shift, launcherSignature, 4},
                                {36, command, launcherSignature, 5}}));
  // Every key has the same effect, once per press.
  for (const char* words : {"command+option+b", "control+shift+space", "command+return"}) {
    ASSERT_TRUE(press(words)) << words;
  }
  EXPECT_EQ(presses, 3);

  controller->uninstall();
  EXPECT_TRUE(registered().empty());
}

TEST_F(HotkeyControllerTest, UpdateReplacesEveryKeyOrRefusesAListWithoutOneThatParses) {
  const auto controller = makeController({"command+option+b"});
  controller->install();

  EXPECT_TRUE(controller->updateHotkeys({"x", "command+left", "command+k", "", "shift+space"}));
  const Keys kept{{7, 0, launcherSignature, 1},
                  {40, command, launcherSignature, 2},
                  {49, shift, launcherSignature, 3}};
  EXPECT_EQ(registered(), kept);
  EXPECT_FALSE(press("command+option+b"));

  // A list without one valid text is refused and changes nothing.
  for (const Texts& list :
       {Texts{}, Texts{"command+f1"}, Texts{"", "command+left", "command+option", "command+b+ "}}) {
    EXPECT_FALSE(controller->updateHotkeys(list));
    EXPECT_EQ(controller->currentHotkeys(), (Texts{"x", "command+k", "shift+space"}));
    EXPECT_EQ(registered(), kept);
  }

  // Another program takes command+option+b. Replacing the keys with it alone fails and leaves none
  // of the old ones; one key the desktop accepts is enough for success.
  testsupport::DesktopProgram other{desktop, loop, 6002};
  platform::EventTarget otherTarget{other.application};
  platform::EventHotKeyRef taken = nullptr;
  ASSERT_EQ(platform::RegisterEventHotKey(11, command | option, {platform::fourCharCode("OTHR"), 1},
                                          &otherTarget, 0, &taken),
            platform::noErr);
  EXPECT_FALSE(controller->updateHotkeys({"command+option+b"}));
  EXPECT_EQ(controller->registeredKeyCount(), 0U);
  EXPECT_FALSE(press("shift+space"));
  EXPECT_TRUE(controller->updateHotkeys({"command+option+b", "ctrl+shift+space"}));
  EXPECT_EQ(controller->registeredKeyCount(), 1U);
  ASSERT_TRUE(press("ctrl+shift+space"));
  EXPECT_EQ(presses, 1);
}

}  // namespace
