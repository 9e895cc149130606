#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/HotKeyCodes.h"

namespace platform {

class Application;

// The Carbon event manager's hot-key calls, under their Carbon names: a program registers system-
// wide hot keys on its application event target and installs handlers that are called, on the
// main thread, when one of its keys is pressed. Main thread only.

inline constexpr OSType kEventClassKeyboard = fourCharCode("keyb");
inline constexpr std::uint32_t kEventHotKeyPressed = 5;
inline constexpr OSType kEventParamDirectObject = fourCharCode("----");
inline constexpr OSType typeEventHotKeyID = fourCharCode("hkid");

// Names a hot key; a press event carries it as its direct object (8 bytes).
struct EventHotKeyID {
  OSType signature = 0;
  std::uint32_t id = 0;
};

struct EventTypeSpec {
  OSType eventClass = 0;
  std::uint32_t eventKind = 0;
};

class EventTarget;
struct OpaqueEventHandlerRef;
struct OpaqueEventHotKeyRef;
struct OpaqueEventRef;
struct OpaqueEventHandlerCallRef;

using EventTargetRef = EventTarget*;
using EventHandlerRef = OpaqueEventHandlerRef*;
using EventHotKeyRef = OpaqueEventHotKeyRef*;
using EventRef = OpaqueEventRef*;
using EventHandlerCallRef = OpaqueEventHandlerCallRef*;
using EventHandlerUPP = OSStatus (*)(EventHandlerCallRef, EventRef, void* userData);

// An application's event target: it registers hot keys on the application's desktop and, when the
// application receives a press of one of them, calls every installed handler whose type list holds
// (kEventClassKeyboard, kEventHotKeyPressed), in the order installed, synchronously. Handler and
// hot-key references stay valid while the target lives (a hot key's until it is unregistered).
class EventTarget {
 public:
  // Becomes the application's hot-key handler.
  explicit EventTarget(Application& application);
  // Unregisters the keys still registered and stops taking the application's presses.
  ~EventTarget();
  EventTarget(const EventTarget&) = delete;
  EventTarget& operator=(const EventTarget&) = delete;
  EventTarget(EventTarget&&) = delete;
  EventTarget& operator=(EventTarget&&) = delete;

  // See InstallEventHandler, RegisterEventHotKey and UnregisterEventHotKey.
  OSStatus installEventHandler(EventHandlerUPP handler, std::span<const EventTypeSpec> types,
                               void* userData, EventHandlerRef* outRef);
  OSStatus registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, EventHotKeyID identifier,
                          EventHotKeyRef* outRef);
  OSStatus unregisterHotKey(EventHotKeyRef hotKey);

 private:
  void hotKeyPressed(EventHotKeyID identifier);

  Application& application_;
  std::vector<std::unique_ptr<OpaqueEventHandlerRef>> handlers_;
  std::vector<std::unique_ptr<OpaqueEventHotKeyRef>> hotKeys_;
};

// The application's own target, made on first use; it lives as long as the application.
EventTargetRef GetApplicationEventTarget(Application& application);

// Installs a handler for the listed event types on target; outRef (may be null) receives its
// reference. paramErr for a null target or handler, or types missing.
OSStatus InstallEventHandler(EventTargetRef target, EventHandlerUPP handler, std::uint32_t numTypes,
                             const EventTypeSpec* list, void* userData, EventHandlerRef* outRef);

// Registers a system-wide hot key for target. noErr with outRef set, eventHotKeyExistsErr when any
// program (this one included) holds the combination, paramErr for a null target or outRef. Only
// options 0 are used.
OSStatus RegisterEventHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                             EventHotKeyID identifier, EventTargetRef target, std::uint32_t options,
                             EventHotKeyRef* outRef);

// Frees a hot key; its reference is invalid afterwards.
OSStatus UnregisterEventHotKey(EventHotKeyRef hotKey);

// Reads a parameter of an event. A hot-key press has one: kEventParamDirectObject of type
// typeEventHotKeyID (an EventHotKeyID, 8 bytes). Another name or type gives
// eventParameterNotFoundErr; a null event or out buffer, or one smaller than the value, paramErr.
// actualType and actualSize may be null.
OSStatus GetEventParameter(EventRef event, OSType name, OSType desiredType, OSType* actualType,
                           std::uint32_t bufferSize, std::uint32_t* actualSize, void* outData);

}  // namespace platform
