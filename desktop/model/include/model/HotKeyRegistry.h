#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "platform/HotKeyCodes.h"

namespace platform {

// Who holds a hot key: the owning program and the identifier it registered the key with.
struct HotKeyMatch {
  std::uint64_t owner = 0;
  std::uint32_t signature = 0;
  std::uint32_t id = 0;

  friend bool operator==(const HotKeyMatch&, const HotKeyMatch&) = default;
};

// One registration, for display.
struct HotKeyRegistration {
  std::uint64_t owner = 0;
  std::uint16_t keyCode = 0;
  std::uint32_t modifiers = 0;  // Carbon modifier mask
  std::uint32_t signature = 0;
  std::uint32_t id = 0;

  friend bool operator==(const HotKeyRegistration&, const HotKeyRegistration&) = default;
};

// The desktop's system-wide hot keys of every connected program (owners are the desktop's numbers
// for its programs). A key code + modifier combination belongs to at most one registration. Results
// are the OSStatus values of HotKeyCodes.h. Not thread-safe: the desktop uses it from one thread.
class HotKeyRegistry {
 public:
  // Registers the combination for owner: noErr with a fresh handle in `registration`, or
  // eventHotKeyExistsErr (registration untouched) when any registration, the owner's own included,
  // already holds it.
  std::int32_t registerHotKey(std::uint64_t owner, std::uint16_t keyCode, std::uint32_t modifiers,
                              std::uint32_t signature, std::uint32_t id,
                              std::uint64_t& registration);
  // Frees one of owner's registrations; someone else's or an unknown handle is ignored.
  void unregisterHotKey(std::uint64_t owner, std::uint64_t registration);
  // Frees every registration of owner (the program has ended).
  void releaseAll(std::uint64_t owner);

  // Who receives a press of this combination, if anyone.
  std::optional<HotKeyMatch> match(std::uint16_t keyCode, std::uint32_t modifiers) const;
  // Every registration, oldest first.
  std::vector<HotKeyRegistration> registrations() const;

 private:
  std::map<std::uint64_t, HotKeyRegistration> registrations_;  // by handle, handles ascending
  std::uint64_t lastHandle_ = 0;
};

}  // namespace platform
