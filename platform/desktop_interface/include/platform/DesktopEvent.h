#pragma once

#include <cstdint>

#include "platform/InterfaceRecords.h"

namespace platform {

// Something the desktop asks of a program. Delivered on the program's main loop.
struct DesktopEvent {
  enum class Kind {
    hotKeyPressed,  // hotKeySignature and hotKeyId name the registration
    hide,
    unhide,
    activate,
    terminate,  // a polite request to quit
    input,      // the user's hands on the program's interface
  };
  Kind kind = Kind::input;
  std::uint32_t hotKeySignature = 0;
  std::uint32_t hotKeyId = 0;
  UserInput input;
};

}  // namespace platform
