#pragma once

#include <memory>

#include "platform/DesktopServices.h"
#include "platform/Error.h"
#include "platform/EventLoop.h"
#include "platform/ProcessLauncher.h"
#include "platform/SystemPaths.h"

namespace platform {

// The desktop a program runs on, in the roles it plays for the program: the daemon of the
// emulated desktop that the paths name (EMULATED_DESKTOP), its events delivered on `loop`. The
// record owns the line to it. Without one there is no desktop to run on, as there is no window
// server for a program started outside a user's session.
Result<DesktopServices> connectToDesktop(const SystemPaths& paths, EventLoop& loop);

// The journal of the emulated desktop that the paths name, for a ProcessLauncher: each start is
// entered there. Empty without an emulated desktop; a desktop that is not running (a folder only)
// just misses the entries.
ProcessLauncher::StartJournal desktopJournal(const SystemPaths& paths);

}  // namespace platform
