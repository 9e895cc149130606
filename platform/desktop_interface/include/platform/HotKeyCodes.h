#pragma once

#include <cstdint>

namespace platform {

// The Carbon event manager's result codes and hot-key modifier masks, which the desktop's hot-key
// registry and the programs' hot-key calls share.

using OSStatus = std::int32_t;
using OSType = std::uint32_t;

// A four-character code packed big-endian, as OSType is: fourCharCode("QRLL") == 0x51524C4C.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-c-arrays,modernize-avoid-c-arrays): takes a literal
constexpr OSType fourCharCode(const char (&code)[5]) {
  OSType packed = 0;
  for (int i = 0; i < 4; ++i) {
    packed = (packed << 8U) | static_cast<unsigned char>(code[i]);
  }
  return packed;
}

inline constexpr OSStatus noErr = 0;
inline constexpr OSStatus paramErr = -50;
inline constexpr OSStatus eventParameterNotFoundErr = -9870;
inline constexpr OSStatus eventHotKeyExistsErr = -9878;

// Modifier masks of a hot key.
inline constexpr std::uint32_t cmdKey = 0x0100;
inline constexpr std::uint32_t shiftKey = 0x0200;
inline constexpr std::uint32_t optionKey = 0x0800;
inline constexpr std::uint32_t controlKey = 0x1000;

}  // namespace platform
