#pragma once

#include <cstdint>

namespace platform {

// The desktop's registry of system-wide hot keys. Main thread only.
class HotKeyServices {
 public:
  virtual ~HotKeyServices() = default;

  // The result is an OSStatus: 0, or -9878 when another registration holds the combination (or the
  // desktop could not be reached). `registration` receives a handle for unregisterHotKey.
  virtual std::int32_t registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                      std::uint32_t signature, std::uint32_t id,
                                      std::uint64_t& registration) = 0;
  virtual void unregisterHotKey(std::uint64_t registration) = 0;
};

}  // namespace platform
