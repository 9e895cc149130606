#pragma once

#include <cstdint>

#include <nlohmann/json.hpp>

namespace platform {

// Something the desktop asks of a program. Delivered on the program's main loop.
struct DesktopEvent {
  enum class Kind {
    hotKeyPressed,  // hotKeySignature and hotKeyId name the registration
    hide,
    unhide,
    activate,
    terminate,  // a polite request to quit
    input,      // the user's hands: see Application::handleInput for the forms of `input`
  };
  Kind kind = Kind::input;
  std::uint32_t hotKeySignature = 0;
  std::uint32_t hotKeyId = 0;
  nlohmann::json input;
};

}  // namespace platform
