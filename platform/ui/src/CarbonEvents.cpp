#include "platform/CarbonEvents.h"

#include <algorithm>
#include <cstring>

#include "platform/Application.h"

namespace platform {

struct OpaqueEventHandlerRef {
  EventHandlerUPP handler;
  std::vector<EventTypeSpec> types;
  void* userData;
};

struct OpaqueEventHotKeyRef {
  EventTarget* target;
  std::uint64_t registration;
};

struct OpaqueEventRef {
  EventTypeSpec type;
  EventHotKeyID hotKeyID;
};

static_assert(sizeof(EventHotKeyID) == 8);

EventTarget::EventTarget(Application& application) : application_(application) {
  application_.setHotKeyHandler([this](std::uint32_t signature, std::uint32_t id) {
    hotKeyPressed(EventHotKeyID{signature, id});
  });
}

EventTarget::~EventTarget() {
  application_.setHotKeyHandler({});
  for (const auto& hotKey : hotKeys_) {
    application_.hotKeys().unregisterHotKey(hotKey->registration);
  }
}

OSStatus EventTarget::installEventHandler(EventHandlerUPP handler,
                                          std::span<const EventTypeSpec> types, void* userData,
                                          EventHandlerRef* outRef) {
  if (handler == nullptr) {
    return paramErr;
  }
  auto& installed = handlers_.emplace_back(std::make_unique<OpaqueEventHandlerRef>(
      handler, std::vector<EventTypeSpec>(types.begin(), types.end()), userData));
  if (outRef != nullptr) {
    *outRef = installed.get();
  }
  return noErr;
}

OSStatus EventTarget::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                     EventHotKeyID identifier, EventHotKeyRef* outRef) {
  if (outRef == nullptr) {
    return paramErr;
  }
  *outRef = nullptr;
  std::uint64_t registration = 0;
  const OSStatus status = application_.hotKeys().registerHotKey(
      keyCode, modifiers, identifier.signature, identifier.id, registration);
  if (status != noErr) {
    return status;
  }
  *outRef = hotKeys_.emplace_back(std::make_unique<OpaqueEventHotKeyRef>(this, registration)).get();
  return noErr;
}

OSStatus EventTarget::unregisterHotKey(EventHotKeyRef hotKey) {
  const auto found =
      std::ranges::find(hotKeys_, hotKey, &std::unique_ptr<OpaqueEventHotKeyRef>::get);
  if (found == hotKeys_.end()) {
    return paramErr;
  }
  application_.hotKeys().unregisterHotKey(hotKey->registration);
  hotKeys_.erase(found);
  return noErr;
}

void EventTarget::hotKeyPressed(EventHotKeyID identifier) {
  OpaqueEventRef event{EventTypeSpec{kEventClassKeyboard, kEventHotKeyPressed}, identifier};
  // Handlers may install further handlers while they run: go over the ones installed now.
  std::vector<const OpaqueEventHandlerRef*> handlers;
  handlers.reserve(handlers_.size());
  for (const auto& handler : handlers_) {
    handlers.push_back(handler.get());
  }
  for (const auto* handler : handlers) {
    const bool wanted = std::ranges::any_of(handler->types, [&](const EventTypeSpec& type) {
      return type.eventClass == event.type.eventClass && type.eventKind == event.type.eventKind;
    });
    if (wanted) {
      handler->handler(nullptr, &event, handler->userData);
    }
  }
}

EventTargetRef GetApplicationEventTarget(Application& application) {
  if (!application.eventTarget_) {
    application.eventTarget_ = std::make_unique<EventTarget>(application);
  }
  return application.eventTarget_.get();
}

OSStatus InstallEventHandler(EventTargetRef target, EventHandlerUPP handler, std::uint32_t numTypes,
                             const EventTypeSpec* list, void* userData, EventHandlerRef* outRef) {
  if (target == nullptr || (list == nullptr && numTypes > 0)) {
    return paramErr;
  }
  return target->installEventHandler(handler, std::span(list, numTypes), userData, outRef);
}

OSStatus RegisterEventHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                             EventHotKeyID identifier, EventTargetRef target,
                             std::uint32_t /*options*/, EventHotKeyRef* outRef) {
  if (target == nullptr) {
    return paramErr;
  }
  return target->registerHotKey(keyCode, modifiers, identifier, outRef);
}

OSStatus UnregisterEventHotKey(EventHotKeyRef hotKey) {
  if (hotKey == nullptr) {
    return paramErr;
  }
  return hotKey->target->unregisterHotKey(hotKey);
}

OSStatus GetEventParameter(EventRef event, OSType name, OSType desiredType, OSType* actualType,
                           std::uint32_t bufferSize, std::uint32_t* actualSize, void* outData) {
  if (event == nullptr) {
    return paramErr;
  }
  if (name != kEventParamDirectObject || desiredType != typeEventHotKeyID) {
    return eventParameterNotFoundErr;
  }
  if (outData == nullptr || bufferSize < sizeof(EventHotKeyID)) {
    return paramErr;
  }
  std::memcpy(outData, &event->hotKeyID, sizeof(EventHotKeyID));
  if (actualType != nullptr) {
    *actualType = typeEventHotKeyID;
  }
  if (actualSize != nullptr) {
    *actualSize = sizeof(EventHotKeyID);
  }
  return noErr;
}

}  // namespace platform
