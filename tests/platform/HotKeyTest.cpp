
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Application.h"
#include "platform/CarbonEvents.h"
#include "platform/DesktopConnection.h"
#include "platform/EmulatedDesktop.h"
#include "platform/EventLoop.h"
#include "platform/HotKeyRegistry.h"
#include "platform/KeyNames.h"

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

TEST(HotKeyRegistry, CombinationBelongsToOneRegistrationOfAnyOwner) {
  HotKeyRegistry registry;
  std::uint64_t first = 0;
  ASSERT_EQ(registry.registerHotKey(1, keyB, commandOption, signature, 1, first), platform::noErr);

  std::uint64_t refused = 99;
  EXPECT_EQ(registry.registerHotKey(2, keyB, commandOption, signature, 1, refused),
            platform::eventHotKeyExistsErr);
  EXPECT_EQ(registry.registerHotKey(1, keyB, commandOption, signature, 2, refused),
            platform::eventHotKeyExistsErr);
  EXPECT_EQ(refused, 99U);

  // The same key with other modifiers, or other keys, are other combinations.
  std::uint64_t second = 0;
  EXPECT_EQ(registry.registerHotKey(2, keyB, platform::cmdKey, signature, 7, second),
            platform::noErr);
  EXPECT_NE(second, first);

  EXPECT_EQ(registry.registrations(),
            (std::vector<HotKeyRegistration>{{1, keyB, commandOption, signature, 1},
                                             {2, keyB, platform::cmdKey, signature, 7}}));
}

TEST(HotKeyRegistry, MatchNamesTheHolderOfTheExactCombination) {
  HotKeyRegistry registry;
  std::uint64_t handle = 0;
  ASSERT_EQ(registry.registerHotKey(3, keySpace, platform::controlKey | platform::shiftKey,
                                    signature, 4, handle),
            platform::noErr);

  EXPECT_EQ(registry.match(keySpace, platform::controlKey | platform::shiftKey),
            (HotKeyMatch{3, signature, 4}));
  EXPECT_EQ(registry.match(keySpace, platform::controlKey), std::nullopt);
  EXPECT_EQ(registry.match(keyB, platform::controlKey | platform::shiftKey), std::nullopt);
}

TEST(HotKeyRegistry, OwnersFreeOnlyTheirOwnKeys) {
  HotKeyRegistry registry;
  std::uint64_t handle = 0;
  ASSERT_EQ(registry.registerHotKey(1, keyB, commandOption, signature, 1, handle), platform::noErr);

  registry.unregisterHotKey(2, handle);       // someone else's: ignored
  registry.unregisterHotKey(1, handle + 42);  // unknown: ignored
  EXPECT_TRUE(registry.match(keyB, commandOption));

  registry.unregisterHotKey(1, handle);
  EXPECT_FALSE(registry.match(keyB, commandOption));
  std::uint64_t taken = 0;
  EXPECT_EQ(registry.registerHotKey(2, keyB, commandOption, signature, 1, taken), platform::noErr);
}

TEST(HotKeyRegistry, EndedProgramLosesEveryKey) {
  HotKeyRegistry registry;
  std::uint64_t handle = 0;
  ASSERT_EQ(registry.registerHotKey(1, keyB, commandOption, signature, 1, handle), platform::noErr);
  ASSERT_EQ(registry.registerHotKey(2, keySpace, platform::cmdKey, signature, 1, handle),
            platform::noErr);
  ASSERT_EQ(registry.registerHotKey(1, keySpace, platform::controlKey, signature, 2, handle),
            platform::noErr);

  registry.releaseAll(1);

  EXPECT_EQ(registry.registrations(),
            (std::vector<HotKeyRegistration>{{2, keySpace, platform::cmdKey, signature, 1}}));
  EXPECT_EQ(registry.registerHotKey(2, keyB, commandOption, signature, 2, handle), platform::noErr);
}

// ---------------------------------------------------------------------------------------------
// The program side, end to end over a registry shared by several applications

// A program on the emulated desktop: its connection, application and application event target.
struct TestProgram {
  TestProgram(platform::EmulatedDesktop& desktop, platform::EventLoop& loop, pid_t pid)
      : connection(desktop.connect(loop)),
        application(*connection, loop,
                    platform::ApplicationIdentity{pid, std::nullopt, std::nullopt, std::nullopt}),
        target(std::make_unique<platform::EventTarget>(application)) {
    application.finishLaunching();
  }

  std::unique_ptr<platform::DesktopConnection> connection;
  platform::Application application;
  std::unique_ptr<platform::EventTarget> target;
};

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
  platform::EventHotKeyRef registerKey(TestProgram& program, std::string_view words,
                                       std::uint32_t id, platform::OSStatus expected) {
    const auto chord = platform::parseKeyChord(words);
    if (!chord) {
      ADD_FAILURE() << "not a key chord: " << words;
      return nullptr;
    }
    platform::EventHotKeyRef hotKey = nullptr;
    EXPECT_EQ(platform::RegisterEventHotKey(chord->keyCode, chord->carbonModifiers,
                                            platform::EventHotKeyID{signature, id},
                                            program.target.get(), 0, &hotKey),
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
  platform::EventLoop loop;
  TestProgram first{desktop, loop, 5001};
  TestProgram second{desktop, loop, 5002};
};

TEST_F(CarbonEvents, PressCallsTheHandlerWithTheRegisteredIdentifier) {
  std::vector<std::uint32_t> pressed;
  HandlerBody body = [&](platform::EventRef event) {
    platform::EventHotKeyID identifier;
    const platform::OSStatus status = readIdentifier(event, identifier);
    EXPECT_EQ(status, platform::noErr);
    EXPECT_EQ(identifier.signature, signature);
    pressed.push_back(identifier.id);
    return status;
  };
  platform::EventHandlerRef handler = nullptr;
  ASSERT_EQ(platform::InstallEventHandler(first.target.get(), callBody, 1, &hotKeyPressed, &body,
                                          &handler),
            platform::noErr);
  EXPECT_NE(handler, nullptr);

  registerKey(first, "command+option+b", 1, platform::noErr);
  registerKey(first, "control+shift+space", 2, platform::noErr);

  EXPECT_TRUE(press("command+option+b"));
  EXPECT_TRUE(press("ctrl+shift+space"));
  EXPECT_TRUE(press("cmd+alt+b"));
  EXPECT_FALSE(press("command+b"));
  EXPECT_EQ(pressed, (std::vector<std::uint32_t>{1, 2, 1}));
}

TEST_F(CarbonEvents, OnlyHandlersForHotKeyPressesAreCalledInInstallationOrder) {
  std::vector<std::string> calls;
  HandlerBody keyboard = [&](platform::EventRef /*event*/) {
    calls.emplace_back("keyboard");
    return platform::noErr;
  };
  HandlerBody other = [&](platform::EventRef /*event*/) {
    calls.emplace_back("other");
    return platform::noErr;
  };
  HandlerBody several = [&](platform::EventRef /*event*/) {
    calls.emplace_back("several");
    return platform::noErr;
  };
  const platform::EventTypeSpec otherKind{platform::kEventClassKeyboard, 6};
  const std::vector<platform::EventTypeSpec> list{
      {platform::fourCharCode("mous"), platform::kEventHotKeyPressed}, hotKeyPressed};
  ASSERT_EQ(platform::InstallEventHandler(first.target.get(), callBody, 1, &hotKeyPressed,
                                          &keyboard, nullptr),
            platform::noErr);
  ASSERT_EQ(
      platform::InstallEventHandler(first.target.get(), callBody, 1, &otherKind, &other, nullptr),
      platform::noErr);
  ASSERT_EQ(platform::InstallEventHandler(first.target.get(), callBody, 2, list.data(), &several,
                                          nullptr),
            platform::noErr);
  registerKey(first, "command+option+b", 1, platform::noErr);

  ASSERT_TRUE(press("command+option+b"));

  EXPECT_EQ(calls, (std::vector<std::string>{"keyboard", "several"}));
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
  ASSERT_EQ(platform::InstallEventHandler(first.target.get(), callBody, 1, &hotKeyPressed, &body,
                                          nullptr),
            platform::noErr);
  registerKey(first, "f5", 3, platform::noErr);

  ASSERT_TRUE(press("f5"));

  EXPECT_EQ(statuses, (std::vector<platform::OSStatus>{platform::eventParameterNotFoundErr,
                                                       platform::eventParameterNotFoundErr,
                                                       platform::paramErr, platform::noErr}));
  EXPECT_EQ(actualType, platform::typeEventHotKeyID);
  EXPECT_EQ(actualSize, 8U);
}

TEST_F(CarbonEvents, DestroyedTargetGivesUpItsKeys) {
  registerKey(first, "command+option+b", 1, platform::noErr);
  auto* const kept = registerKey(first, "control+space", 2, platform::noErr);
  platform::UnregisterEventHotKey(kept);
  registerKey(second, "shift+f1", 1, platform::noErr);

  first.target.reset();

  EXPECT_EQ(desktop.hotKeys(), (std::vector<HotKeyRegistration>{
                                   {2, 122, platform::shiftKey, signature, 1},
                               }));
  // A press that was already on its way finds no target and is dropped.
  platform::DesktopEvent late;
  late.kind = platform::DesktopEvent::Kind::hotKeyPressed;
  late.hotKeySignature = signature;
  late.hotKeyId = 1;
  first.application.handleEvent(late);
}

}  // namespace
