#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/CarbonEvents.h"

namespace launcher {

// Makes the launcher's shortcuts work system-wide: registers each shortcut text as a Carbon hot
// key on the application event target, installs one handler for hot-key presses and calls
// onPressed for every press of any registered key. Main thread only.
//
// The event target keeps an unretained pointer to the controller as the handler's user data: the
// controller must neither move nor receive presses after it is gone.
class HotkeyController {
 public:
  // Stores the texts and the callback; registers nothing. target: where the keys are registered,
  // the application's event target in the program.
  HotkeyController(std::vector<std::string> initialHotkeys, std::function<void()> pressed,
                   platform::EventTargetRef target);
  HotkeyController(const HotkeyController&) = delete;
  HotkeyController& operator=(const HotkeyController&) = delete;
  HotkeyController(HotkeyController&&) = delete;
  HotkeyController& operator=(HotkeyController&&) = delete;
  // Frees the members; keys still registered stay registered (termination has unregistered them).
  ~HotkeyController() = default;

  // Installs the event handler, then registers the texts. Called once.
  void install();

  // Keeps the texts that parse. None: false, and nothing changes. Otherwise unregisters every key,
  // stores the kept texts, registers them and tells whether the system accepted at least one.
  bool updateHotkeys(const std::vector<std::string>& newHotkeys);

  // Unregisters every registered key and forgets them; texts and handler stay.
  void uninstall();

  // The texts in force and the number of keys the system accepted.
  const std::vector<std::string>& currentHotkeys() const { return hotkeys; }
  std::size_t registeredKeyCount() const { return hotKeyRefs.size(); }

  // The Carbon handler: noErr for an absent event or user data; GetEventParameter's status when
  // the hot-key identifier cannot be read; otherwise calls handleHotkey on the controller in
  // userData and returns noErr.
  static platform::OSStatus hotKeyHandler(platform::EventHandlerCallRef call,
                                          platform::EventRef event, void* userData);

 private:
  void installEventHandler();
  void registerHotkeys();
  void handleHotkey(std::uint32_t id);

  const platform::OSType signature = platform::fourCharCode("QRLL");
  std::function<void()> onPressed;
  std::vector<std::string> hotkeys;
  std::vector<platform::EventHotKeyRef> hotKeyRefs;
  platform::EventHandlerRef eventHandlerRef = nullptr;
  platform::EventTargetRef target_;
};

}  // namespace launcher
