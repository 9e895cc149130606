#include "HotkeyController.h"

#include <gtest/gtest.h>

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/Application.h"
#include "platform/CarbonEvents.h"
#include "platform/DesktopConnection.h"
#include "platform/EmulatedDesktop.h"
#include "platform/EventLoop.h"

namespace {

using launcher::HotkeyController;
using Texts = std::vector<std::string>;

constexpr std::uint32_t launcherSignature = 0x51524C4CU;  // "QRLL"
constexpr std::uint32_t otherSignature = platform::fourCharCode("OTHR");
constexpr std::uint32_t command = platform::cmdKey;
constexpr std::uint32_t commandOption = platform::cmdKey | platform::optionKey;
constexpr std::uint32_t controlShift = platform::controlKey | platform::shiftKey;

// Registrations as the desktop holds them: key code, modifiers, signature and id.
using Keys = std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>>;

// A program on the emulated desktop, with its application event target.
struct TestProgram {
  TestProgram(platform::EmulatedDesktop& desktop, platform::EventLoop& loop, pid_t pid)
      : connection(desktop.connect(loop)),
        application(*connection, loop,
                    platform::ApplicationIdentity{pid, std::nullopt, std::nullopt, std::nullopt}),
        target(application) {
    application.finishLaunching();
  }

  std::unique_ptr<platform::DesktopConnection> connection;
  platform::Application application;
  platform::EventTarget target;
};

class HotkeyControllerTest : public testing::Test {
 protected:
  // The launcher's controller on the launcher program's target, counting presses.
  std::unique_ptr<HotkeyController> makeController(Texts hotkeys) {
    return std::make_unique<HotkeyController>(
        std::move(hotkeys), [this] { ++presses; }, &launcher.target);
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
  platform::EventLoop loop;
  TestProgram launcher{desktop, loop, 6001};
  TestProgram other{desktop, loop, 6002};
  int presses = 0;
};

TEST_F(HotkeyControllerTest, InstallRegistersEachTextThatParsesUnderItsPositionUntilUninstall) {
  auto controller =
      makeController({"command+f1", "command+option+b", "", "ctrl+shift+space", "command+enter"});
  EXPECT_TRUE(registered().empty()) << "creation registers nothing";
  EXPECT_FALSE(press("command+option+b"));

  controller->install();

  EXPECT_EQ(registered(), (Keys{{11, commandOption, launcherSignature, 2},
                                {49, controlShift, launcherSignature, 4},
                                {36, command, launcherSignature, 5}}));
  EXPECT_EQ(controller->registeredKeyCount(), 3U);
  EXPECT_EQ(controller->currentHotkeys(),
            (Texts{"command+f1", "command+option+b", "", "ctrl+shift+space", "command+enter"}));
  // Every key has the same effect, once per press.
  for (const char* words : {"command+option+b", "control+shift+space", "command+return"}) {
    ASSERT_TRUE(press(words)) << words;
  }
  EXPECT_FALSE(press("command+b"));
  EXPECT_EQ(presses, 3);

  // Uninstall frees every key (twice is fine) and keeps the texts and the handler.
  controller->uninstall();
  controller->uninstall();
  EXPECT_TRUE(registered().empty());
  EXPECT_EQ(controller->registeredKeyCount(), 0U);
  EXPECT_EQ(controller->currentHotkeys().size(), 5U);
  EXPECT_FALSE(press("command+option+b"));
  EXPECT_TRUE(controller->updateHotkeys({"command+option+b"}));
  ASSERT_TRUE(press("command+option+b"));
  EXPECT_EQ(presses, 4);

  // Releasing the controller leaves its keys registered.
  controller.reset();
  EXPECT_EQ(registered(), (Keys{{11, commandOption, launcherSignature, 1}}));
}

TEST_F(HotkeyControllerTest, UpdateReplacesTheKeysWithTheTextsThatParseOrRefusesWhenNoneDoes) {
  const auto controller = makeController({"command+option+b"});
  controller->install();

  EXPECT_TRUE(controller->updateHotkeys({"x", "command+left", "command+k", "", "shift+space"}));
  const Keys kept{{7, 0, launcherSignature, 1},
                  {40, command, launcherSignature, 2},
                  {49, platform::shiftKey, launcherSignature, 3}};
  EXPECT_EQ(registered(), kept);
  EXPECT_FALSE(press("command+option+b"));

  // A list without one valid text is refused and changes nothing.
  for (const Texts& list :
       {Texts{}, Texts{"command+f1"}, Texts{"", "command+left", "command+option", "command+b+ "}}) {
    EXPECT_FALSE(controller->updateHotkeys(list));
    EXPECT_EQ(controller->currentHotkeys(), (Texts{"x", "command+k", "shift+space"}));
    EXPECT_EQ(registered(), kept);
  }
  ASSERT_TRUE(press("shift+space"));
  EXPECT_EQ(presses, 1);
}

TEST_F(HotkeyControllerTest, ACombinationHeldByAnotherProgramIsRefused) {
  platform::EventHotKeyRef taken = nullptr;
  ASSERT_EQ(platform::RegisterEventHotKey(11, commandOption, {otherSignature, 1}, &other.target, 0,
                                          &taken),
            platform::noErr);
  const auto controller = makeController({"command+option+b", "ctrl+shift+space"});
  controller->install();

  EXPECT_EQ(controller->registeredKeyCount(), 1U);
  EXPECT_EQ(registered(), (Keys{{11, commandOption, otherSignature, 1},
                                {49, controlShift, launcherSignature, 2}}));
  ASSERT_TRUE(press("command+option+b"));
  EXPECT_EQ(presses, 0) << "the press goes to the other program";

  // An update to the taken combination alone: false, and the old keys are gone all the same.
  EXPECT_FALSE(controller->updateHotkeys({"command+option+b"}));
  EXPECT_EQ(controller->registeredKeyCount(), 0U);
  EXPECT_EQ(controller->currentHotkeys(), Texts{"command+option+b"});
  EXPECT_FALSE(press("ctrl+shift+space"));
  controller->uninstall();
  EXPECT_EQ(registered(), (Keys{{11, commandOption, otherSignature, 1}}));

  // True as soon as the system accepts one key.
  EXPECT_TRUE(controller->updateHotkeys({"command+option+b", "ctrl+shift+space"}));
  EXPECT_EQ(controller->registeredKeyCount(), 1U);
  ASSERT_TRUE(press("ctrl+shift+space"));
  EXPECT_EQ(presses, 1);
}

// The controller's Carbon handler, called from a handler of the test's own with a real press.
TEST_F(HotkeyControllerTest, HandlerCallsOnPressedOnlyForAnEventAndAController) {
  struct Forwarding {
    void* userData = nullptr;
    std::vector<platform::OSStatus> statuses;
  } forwarding;
  const platform::EventHandlerUPP forward = [](platform::EventHandlerCallRef call,
                                               platform::EventRef event, void* self) {
    auto& state = *static_cast<Forwarding*>(self);
    state.statuses.push_back(HotkeyController::hotKeyHandler(call, event, state.userData));
    state.statuses.push_back(HotkeyController::hotKeyHandler(call, nullptr, state.userData));
    return platform::noErr;
  };
  const platform::EventTypeSpec pressed{platform::kEventClassKeyboard,
                                        platform::kEventHotKeyPressed};
  ASSERT_EQ(
      platform::InstallEventHandler(&launcher.target, forward, 1, &pressed, &forwarding, nullptr),
      platform::noErr);
  // Registered without installing the controller's own handler.
  const auto controller = makeController({});
  ASSERT_TRUE(controller->updateHotkeys({"command+option+b"}));

  ASSERT_TRUE(press("command+option+b"));
  EXPECT_EQ(presses, 0);
  forwarding.userData = controller.get();
  ASSERT_TRUE(press("command+option+b"));
  EXPECT_EQ(presses, 1);
  EXPECT_EQ(forwarding.statuses, std::vector<platform::OSStatus>(4, platform::noErr));
}

}  // namespace
