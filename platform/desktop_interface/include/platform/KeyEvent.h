#pragma once

#include <cstdint>

namespace platform {

// Device-independent modifier flags of a key event, with the platform's bit values.
namespace modifierFlag {
inline constexpr std::uint32_t capsLock = 1U << 16;
inline constexpr std::uint32_t shift = 1U << 17;
inline constexpr std::uint32_t control = 1U << 18;
inline constexpr std::uint32_t option = 1U << 19;
inline constexpr std::uint32_t command = 1U << 20;
inline constexpr std::uint32_t numericPad = 1U << 21;
inline constexpr std::uint32_t function = 1U << 23;
}  // namespace modifierFlag

// A key-down: the virtual key code (ANSI keyboard position), the modifier flags held, and whether
// it is an automatic repeat of a held key.
struct KeyEvent {
  std::uint16_t keyCode = 0;
  std::uint32_t modifierFlags = 0;
  bool isRepeat = false;
};

}  // namespace platform
