#pragma once

#include <memory>

#include "platform/DesktopConnection.h"
#include "platform/Error.h"
#include "platform/EventLoop.h"
#include "platform/SystemPaths.h"

namespace platform {

// The desktop a program runs on: the daemon of the emulated desktop that the paths name
// (EMULATED_DESKTOP), its events delivered on `loop`. Without one there is no desktop to run on,
// as there is no window server for a program started outside a user's session.
Result<std::unique_ptr<DesktopConnection>> connectToDesktop(const SystemPaths& paths,
                                                            EventLoop& loop);

}  // namespace platform
