#include "HotkeyController.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "ShortcutGrammar.h"

namespace launcher {
namespace {

// The one event type the handler takes: a hot-key press.
constexpr std::array<platform::EventTypeSpec, 1> hotKeyPressedTypes{
    platform::EventTypeSpec{platform::kEventClassKeyboard, platform::kEventHotKeyPressed}};

// The 1-based identifier of the text at a 0-based position, with checked arithmetic.
std::uint32_t identifierFor(std::size_t position) {
  if (position >= std::numeric_limits<std::uint32_t>::max()) {
    (void)std::fputs("Fatal error: hot-key position out of range in main/HotkeyController\n",
                     stderr);
    std::abort();
  }
  return static_cast<std::uint32_t>(position + 1);
}

}  // namespace

HotkeyController::HotkeyController(std::vector<std::string> initialHotkeys,
                                   std::function<void()> pressed, platform::EventTargetRef target)
    : onPressed(std::move(pressed)), hotkeys(std::move(initialHotkeys)), target_(target) {}

void HotkeyController::install() {
  installEventHandler();
  registerHotkeys();
}

bool HotkeyController::updateHotkeys(const std::vector<std::string>& newHotkeys) {
  std::vector<std::string> valid;
  for (const auto& text : newHotkeys) {
    if (isValidHotkey(text)) {
      valid.push_back(text);
    }
  }
  if (valid.empty()) {
    return false;
  }
  uninstall();
  hotkeys = std::move(valid);
  registerHotkeys();
  return !hotKeyRefs.empty();
}

void HotkeyController::uninstall() {
  for (platform::EventHotKeyRef hotKey : hotKeyRefs) {
    if (hotKey != nullptr) {
      platform::UnregisterEventHotKey(hotKey);
    }
  }
  hotKeyRefs.clear();
}

platform::OSStatus HotkeyController::hotKeyHandler(platform::EventHandlerCallRef /*call*/,
                                                   platform::EventRef event, void* userData) {
  if (event == nullptr || userData == nullptr) {
    return platform::noErr;
  }
  platform::EventHotKeyID identifier;
  const platform::OSStatus status = platform::GetEventParameter(
      event, platform::kEventParamDirectObject, platform::typeEventHotKeyID, nullptr,
      sizeof identifier, nullptr, &identifier);
  if (status != platform::noErr) {
    return status;
  }
  static_cast<HotkeyController*>(userData)->handleHotkey(identifier.id);
  return platform::noErr;
}

void HotkeyController::installEventHandler() {
  // The status is not checked: without a handler the keys simply do nothing.
  platform::InstallEventHandler(target_, &HotkeyController::hotKeyHandler,
                                static_cast<std::uint32_t>(hotKeyPressedTypes.size()),
                                hotKeyPressedTypes.data(), this, &eventHandlerRef);
}

void HotkeyController::registerHotkeys() {
  hotKeyRefs.clear();
  for (std::size_t position = 0; position < hotkeys.size(); ++position) {
    const auto parsed = parseHotkey(hotkeys[position]);
    if (!parsed) {
      continue;
    }
    const platform::EventHotKeyID identifier{signature, identifierFor(position)};
    platform::EventHotKeyRef hotKey = nullptr;
    if (platform::RegisterEventHotKey(parsed->keyCode, parsed->modifiers, identifier, target_, 0,
                                      &hotKey) == platform::noErr) {
      hotKeyRefs.push_back(hotKey);
    }
  }
}

void HotkeyController::handleHotkey(std::uint32_t /*id*/) {
  // Every registered key has the same effect; neither identifier nor signature is examined.
  if (onPressed) {
    onPressed();
  }
}

}  // namespace launcher
