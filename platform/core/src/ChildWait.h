#pragma once

#include <sys/types.h>

#include <chrono>

namespace platform::childWait {

// Waiting for a child of this process and reaping it. Only these waits reap the children that
// ProcessLauncher starts, one wait per child, so the process's SIGCHLD handling stays untouched.

// Blocks until the child ends and reaps it. Returns its wait status, or -1 with errno set when it
// cannot be had (ECHILD: something else reaped it, for example with SIGCHLD ignored process-wide).
int untilExit(pid_t child);

struct BoundedExit {
  int status = 0;        // as from untilExit
  bool stopped = false;  // the child was still running at the limit and had to be ended
};

// Blocks until the child ends, for at most `limit`. A child still running then is sent SIGTERM, and
// SIGKILL when it has not ended `grace` later. The child is reaped before this returns in every
// case, so it never stays behind as a zombie.
BoundedExit withinLimit(pid_t child, std::chrono::milliseconds limit,
                        std::chrono::milliseconds grace);

}  // namespace platform::childWait
