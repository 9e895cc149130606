#include "ShortcutCaptureView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/EmulatedDesktop.h"
#include "platform/EventLoop.h"
#include "platform/Window.h"

namespace {

using launcher::ShortcutCaptureView;

// A capture view alone in a key window of an in-process desktop, its captures recorded.
class ShortcutCaptureViewTest : public testing::Test {
 protected:
  ShortcutCaptureViewTest() {
    application.finishLaunching();
    window.setContentView(std::make_shared<platform::View>());
    window.contentView()->addSubview(view);
    view->setIdentifier("shortcutCapture");
    view->setOnShortcutCaptured([this](const std::string& text) { captured.push_back(text); });
    window.makeKeyAndOrderFront();
    loop.runUntilIdle();
  }

  // Presses the keys (words as the desktop's driver reads them) with the view focused.
  void press(const std::string& keys) {
    ASSERT_TRUE(desktop.key(keys)) << keys;
    loop.runUntilIdle();
  }

  long alertSounds() const {
    return std::ranges::count(desktop.journal(), platform::JournalEntry::Kind::alertSound,
                              &platform::JournalEntry::kind);
  }

  std::string border() const {
    const std::optional<platform::Layer>& layer = view->layerIfAny();
    return layer && layer->borderColor ? layer->borderColor->role : "";
  }

  platform::EmulatedDesktop desktop;
  platform::EventLoop loop;
  std::unique_ptr<platform::DesktopConnection> connection = desktop.connect(loop);
  platform::Application application{
      *connection, loop,
      platform::ApplicationIdentity{7101, "com.quorrel.launcher", std::nullopt, std::nullopt}};
  platform::Window window{{0, 0, 480, 80},
                          platform::windowStyle::titled,
                          platform::BackingStore::buffered,
                          false,
                          application};
  std::shared_ptr<ShortcutCaptureView> view =
      std::make_shared<ShortcutCaptureView>(platform::Rect{0, 0, 380, 56}, application);
  std::vector<std::string> captured;
};

TEST_F(ShortcutCaptureViewTest, AClickFocusesItAndLosingTheFocusRestoresTheBorder) {
  EXPECT_EQ(border(), "separatorColor");
  EXPECT_EQ(view->hintText(), "Click then press your shortcut");
  ASSERT_TRUE(desktop.click("shortcutCapture"));
  loop.runUntilIdle();
  EXPECT_EQ(window.firstResponder(), view.get());
  EXPECT_EQ(border(), "controlAccentColor");

  EXPECT_TRUE(window.makeFirstResponder(nullptr));
  EXPECT_EQ(border(), "separatorColor");
}

TEST_F(ShortcutCaptureViewTest, ModifiersAreWrittenInTheirFixedOrderAndTheLastComboWins) {
  ASSERT_TRUE(desktop.click("shortcutCapture"));
  press("b+command+option");
  EXPECT_EQ(view->shortcutValue(), "option+command+b");
  EXPECT_TRUE(desktop.renderText().find("\"Option + Command + B\"") != std::string::npos);

  press("command+shift+option+control+a");
  press("shift+a");
  press("control+space");
  press("command+return");
  press("command+escape");
  press("control+shift+x");
  EXPECT_EQ(captured, (std::vector<std::string>{
                          "option+command+b", "control+option+shift+command+a", "shift+a",
                          "control+space", "command+return", "command+escape", "control+shift+x"}));
  EXPECT_EQ(view->shortcutValue(), "control+shift+x");
  EXPECT_EQ(alertSounds(), 0);
}

TEST_F(ShortcutCaptureViewTest, KeysWithoutAModifierOrOutsideTheTableAreRefusedWithTheAlertSound) {
  ASSERT_TRUE(desktop.click("shortcutCapture"));
  press("command+option+b");
  const std::vector<std::string> refused{
      "b",          "escape",       "capslock+b",  "fn+b",
      "command+f5", "command+left", "command+tab", "command+keypad-enter"};
  for (const std::string& keys : refused) {
    press(keys);
  }
  EXPECT_EQ(alertSounds(), static_cast<long>(refused.size()));
  EXPECT_EQ(view->shortcutValue(), "option+command+b");
  EXPECT_EQ(captured, std::vector<std::string>{"option+command+b"});

  // Caps Lock held with a real modifier is left out of the text.
  press("capslock+fn+control+q");
  EXPECT_EQ(view->shortcutValue(), "control+q");
}

TEST_F(ShortcutCaptureViewTest, KeyRepeatCapturesAgainAndAValueSetFromOutsideIsShownPretty) {
  const platform::KeyEvent held{
      .keyCode = 11,
      .modifierFlags = platform::modifierFlag::command | platform::modifierFlag::option,
      .isRepeat = false};
  view->keyDown(held);
  view->keyDown({held.keyCode, held.modifierFlags, true});
  view->keyDown({held.keyCode, held.modifierFlags, true});
  EXPECT_EQ(captured, std::vector<std::string>(3, "option+command+b"));

  view->setShortcutValue("ctrl+shift+space");
  view->setHintText("Klicken und dann die Tastenkombination drücken");
  loop.runUntilIdle();
  EXPECT_TRUE(desktop.renderText().find("\"Control + Shift + SPACE\"") != std::string::npos);
  EXPECT_EQ(view->hintText(), "Klicken und dann die Tastenkombination drücken");
  EXPECT_EQ(captured.size(), 3U);
}

}  // namespace
