
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/EmulatedDesktop.h"
#include "model/HotKeyRegistry.h"
#include "model/KeyNames.h"
#include "platform/CarbonEvents.h"
#include "platform/PollEventLoop.h"
#include "support/DesktopProgram.h"

namespace {

using platform::HotKeyMatch;
using platform::HotKeyRegistration;
using platform::HotKeyRegistry;

constexpr std::uint32_t signature = platform::fourCharCode("QRLL");
static_assert(signature == 0x51524C4CU);
static_assert(platform::kEventParamDirectObject == 0x2D2D2D2DU);
constexpr std::uint16_t keyB = 11;
constexpr std::uint16_t keySpace = 49;
constexpr std::uint32_t commandOption = platform::cmdKey | platform::optionKey;

// ---------------------------------------------------------------------------------------------
// The desktop's registry

TEST(HotKeyRegistry, ACombinationBelongsToOneRegistrationOfAnyOwnerUntilItsOwnerFreesIt) {
  HotKeyRegistry registry;
  std::uint64_t first = 0;
  ASSERT_EQ(registry.registerHotKey(1, keyB, commandOption, signature, 1, first), platform::noErr);

  std::uint64_t refused = 99;
  EXPECT_EQ(registry.registerHotKey(2, keyB, commandOption, signature, 1, refused),
            platform::eventHotKeyExistsErr);
  EXPECT_EQ(registry.registerHotKey(1, keyB, commandOption, signature, 2, refused),
            platform::eventHotKeyExistsErr);
  EXPECT_EQ(refused, 99U);

  // The same key with other modifiers is another combination; a press names the exact holder.
  std::uint64_t second = 0;
  EXPECT_EQ(registry.registerHotKey(2, keyB, platform::cmdKey, signature, 7, second),
            platform::noErr);
  EXPECT_NE(second, first);
  EXPECT_EQ(registry.match(keyB, commandOption), (HotKeyMatch{1, signature, 1}));
  EXPECT_EQ(registry.match(keyB, platform::cmdKey), (HotKeyMatch{2, signature, 7}));
  EXPECT_EQ(registry.match(keyB, platform::optionKey), std::nullopt);
  EXPECT_EQ(registry.match(keySpace, commandOption), std::nullopt);
  EXPECT_EQ(registry.registrations(),
            (std::vector<HotKeyRegistration>{{1, keyB, commandOption, signature, 1},
                                             {2, keyB, platform::cmdKey, signature, 7}}));

  registry.unregisterHotKey(2, first);       // someone else's: ignored
  registry.unregisterHotKey(1, second + 1);  // unknown: ignored
  EXPECT_TRUE(registry.match(keyB, commandOption));
  registry.unregisterHotKey(1, first);
  EXPECT_FALSE(registry.match(keyB, commandOption));
  EXPECT_EQ(registry.registerHotKey(2, keyB, commandOption, signature, 1, refused),
            platform::noErr);
}

// ---------------------------------------------------------------------------------------------
// The program side, end to end over the emulated desktop shared by two programs

// An event handler whose body is a std::function passed as the user data.
using HandlerBody = std::function<platform::OSStatus(platform::EventRef)>;

platform::OSStatus callBody(platform::EventHandlerCallRef /*call*/, platform::EventRef event,
                            void* userData) {
  return (*static_cast<HandlerBody*>(userData))(event);
}

constexpr platform::EventTypeSpec hotKeyPressed{platform::kEventClassKeyboard,
                                                platform::kEventHotKeyPressed};

// Reads the pressed key's identifier as a hot-key handler does.
platform::OSStatus readIdentifier(platform::EventRef event, platform::EventHotKeyID& identifier) {
  return platform::GetEventParameter(event, platform::kEventParamDirectObject,
                                     platform::typeEventHotKeyID, nullptr, sizeof identifier,
                                     nullptr, &identifier);
}

class CarbonEvents : public ::testing::Test {
 protected:
  platform::EventHotKeyRef registerKey(platform::EventTarget& target, std::string_view words,
                                       std::uint32_t id, platform::OSStatus expected) {
    const auto chord = platform::parseKeyChord(words);
    if (!chord) {
      ADD_FAILURE() << "not a key chord: " << words;
      return nullptr;
    }
    platform::EventHotKeyRef hotKey = nullptr;
    EXPECT_EQ(
        platform::RegisterEventHotKey(chord->keyCode, chord->carbonModifiers,
                                      platform::EventHotKeyID{signature, id}, &target, 0, &hotKey),
        expected)
        << words;
    return hotKey;
  }

  // The user presses a combination and the programs handle it; false when nobody holds it.
  bool press(std::string_view words) {
    const bool held = desktop.press(words);
    loop.runUntilIdle();
    return held;
  }

  platform::EmulatedDesktop desktop;
  platform::PollEventLoop loop;
  testsupport::DesktopProgram first{desktop, loop, 5001};
  platform::EventTarget firstTarget{first.application};
  testsupport::DesktopProgram second{desktop, loop, 5002};
};

// A press reaches the program holding the key, whose handlers for hot-key presses (and only those)
// are called in the order installed.
TEST_F(CarbonEvents, APressReachesTheHotKeyHandlersOfTheProgramHoldingTheKey) {
  platform::EventTarget secondTarget{second.application};
  std::vector<std::string> calls;
  auto recorder = [&calls](const std::string& name) {
    return HandlerBody([&calls, name](platform::EventRef event) {
      platform::EventHotKeyID identifier{};
      const platform::OSStatus status = readIdentifier(event, identifier);
      EXPECT_EQ(identifier.signature, signature);
      calls.push_back(name + std::to_string(identifier.id));
      return status;
    });
  };
  HandlerBody pressed = recorder("first ");
  HandlerBody otherKind = recorder("other kind ");
  HandlerBody fromList = recorder("from list ");
  HandlerBody secondPressed = recorder("second ");
  const platform::EventTypeSpec otherKindType{platform::kEventClassKeyboard, 6};
  const std::vector<platform::EventTypeSpec> list{
      {platform::fourCharCode("mous"), platform::kEventHotKeyPressed}, hotKeyPressed};
  platform::EventHandlerRef handler = nullptr;
  ASSERT_EQ(
      platform::InstallEventHandler(&firstTarget, callBody, 1, &hotKeyPressed, &pressed, &handler),
      platform::noErr);
  EXPECT_NE(handler, nullptr);
  ASSERT_EQ(
      platform::InstallEventHandler(&firstTarget, callBody, 1, &otherKindType, &otherKind, nullptr),
      platform::noErr);
  ASSERT_EQ(
      platform::InstallEventHandler(&firstTarget, callBody, 2, list.data(), &fromList, nullptr),
      platform::noErr);
  ASSERT_EQ(platform::InstallEventHandler(&secondTarget, callBody, 1, &hotKeyPressed,
                                          &secondPressed, nullptr),
            platform::noErr);

  platform::EventHotKeyRef taken = registerKey(firstTarget, "command+option+b", 1, platform::noErr);
  registerKey(firstTarget, "control+shift+space", 2, platform::noErr);
  registerKey(secondTarget, "cmd+alt+b", 9, platform::eventHotKeyExistsErr);
  registerKey(secondTarget, "command+b", 3, platform::noErr);

  EXPECT_TRUE(press("command+option+b"));
  EXPECT_TRUE(press("ctrl+shift+space"));
  EXPECT_TRUE(press("command+b"));
  EXPECT_FALSE(press("command+shift+b"));
  ASSERT_EQ(platform::UnregisterEventHotKey(taken), platform::noErr);
  EXPECT_FALSE(press("command+option+b"));
  registerKey(secondTarget, "option+command+b", 9, platform::noErr);
  EXPECT_TRUE(press("cmd+alt+b"));
  EXPECT_EQ(calls, (std::vector<std::string>{"first 1", "from list 1", "first 2", "from list 2",
                                             "second 3", "second 9"}));
}

TEST_F(CarbonEvents, EventParameterNeedsTheRightNameTypeAndRoom) {
  std::vector<platform::OSStatus> statuses;
  platform::OSType actualType = 0;
  std::uint32_t actualSize = 0;
  HandlerBody body = [&](platform::EventRef event) {
    platform::EventHotKeyID identifier;
    statuses.push_back(platform::GetEventParameter(event, platform::kEventParamDirectObject,
                                                   platform::fourCharCode("long"), nullptr,
                                                   sizeof identifier, nullptr, &identifier));
    statuses.push_back(platform::GetEventParameter(event, platform::fourCharCode("kcod"),
                                                   platform::typeEventHotKeyID, nullptr,
                                                   sizeof identifier, nullptr, &identifier));
    statuses.push_back(platform::GetEventParameter(event, platform::kEventParamDirectObject,
                                                   platform::typeEventHotKeyID, nullptr, 4, nullptr,
                                                   &identifier));
    statuses.push_back(platform::GetEventParameter(event, platform::kEventParamDirectObject,
                                                   platform::typeEventHotKeyID, &actualType,
                                                   sizeof identifier, &actualSize, &identifier));
    EXPECT_EQ(identifier.id, 3U);
    return statuses.back();
  };
  ASSERT_EQ(
      platform::InstallEventHandler(&firstTarget, callBody, 1, &hotKeyPressed, &body, nullptr),
      platform::noErr);
  registerKey(firstTarget, "f5", 3, platform::noErr);

  ASSERT_TRUE(press("f5"));

  EXPECT_EQ(statuses, (std::vector<platform::OSStatus>{platform::eventParameterNotFoundErr,
                                                       platform::eventParameterNotFoundErr,
                                                       platform::paramErr, platform::noErr}));
  EXPECT_EQ(actualType, platform::typeEventHotKeyID);
  EXPECT_EQ(actualSize, 8U);
}

TEST_F(CarbonEvents, ADestroyedTargetOrAnEndedProgramGivesUpItsKeys) {
  {
    platform::EventTarget secondTarget{second.application};
    registerKey(secondTarget, "command+option+b", 1, platform::noErr);
    auto* const freed = registerKey(secondTarget, "control+space", 2, platform::noErr);
    platform::UnregisterEventHotKey(freed);
  }
  // A press that was already on its way finds no target and is dropped.
  platform::DesktopEvent late;
  late.kind = platform::DesktopEvent::Kind::hotKeyPressed;
  late.hotKeySignature = signature;
  late.hotKeyId = 1;
  second.application.handleEvent(late);

  registerKey(firstTarget, "shift+f1", 1, platform::noErr);
  registerKey(firstTarget, "control+space", 2, platform::noErr);
  platform::EventTarget secondTarget{second.application};
  registerKey(secondTarget, "command+option+b", 3, platform::noErr);
  const HotKeyRegistration secondsKey{2, 11, platform::cmdKey | platform::optionKey, signature, 3};
  EXPECT_EQ(desktop.hotKeys(), (std::vector<HotKeyRegistration>{
                                   {1, 122, platform::shiftKey, signature, 1},
                                   {1, 49, platform::controlKey, signature, 2},
                                   secondsKey,
                               }));
  // An ended program loses every key it held, and only its own.
  first.application.terminate();
  EXPECT_EQ(desktop.hotKeys(), std::vector<HotKeyRegistration>{secondsKey});
  EXPECT_FALSE(press("shift+f1"));
}

}  // namespace
