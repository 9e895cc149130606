#include "ChildWait.h"

#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <future>
#include <system_error>
#include <thread>

namespace platform::childWait {
namespace {

// Blocks until the child has ended but leaves it unreaped: until its parent reaps it, its pid
// cannot pass to another process, so the child stays safe to signal while this waits.
void untilEnded(pid_t child) {
  siginfo_t info{};
  while (waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT) == -1 &&
         errno == EINTR) {
  }
}

}  // namespace

int untilExit(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) == -1) {
    if (errno != EINTR) {
      return -1;
    }
  }
  return status;
}

BoundedExit withinLimit(pid_t child, std::chrono::milliseconds limit,
                        std::chrono::milliseconds grace) {
  // A thread blocks in the wait and the caller waits for it with a time limit: the portable way to
  // bound a wait for a child without polling.
  std::promise<void> endedPromise;
  std::future<void> ended = endedPromise.get_future();
  std::thread watcher;
  try {
    watcher = std::thread([&endedPromise, child] {
      untilEnded(child);
      endedPromise.set_value();
    });
  } catch (const std::system_error&) {
    // Out of threads: the child cannot be timed and must not be awaited without a limit, so it
    // is ended at once and counts as stopped.
    kill(child, SIGKILL);
    return {untilExit(child), true};
  }
  bool stopped = false;
  if (ended.wait_for(limit) == std::future_status::timeout) {
    stopped = true;
    kill(child, SIGTERM);
    if (ended.wait_for(grace) == std::future_status::timeout) {
      kill(child, SIGKILL);
    }
  }
  watcher.join();
  return {untilExit(child), stopped};
}

}  // namespace platform::childWait
