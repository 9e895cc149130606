#include "platform/VirtualClockEventLoop.h"

#include <algorithm>
#include <optional>

namespace platform {

void VirtualClockEventLoop::advanceBy(Clock::duration duration) {
  const Clock::time_point target = now_.load() + duration;
  for (;;) {
    runUntilIdle();
    const std::optional<Clock::time_point> due = earliestTimer();
    if (!due || *due > target) {
      now_ = target;
      break;
    }
    now_ = std::max(now_.load(), *due);
  }
  runUntilIdle();
}

PollEventLoop::Clock::time_point VirtualClockEventLoop::now() const {
  return now_.load();
}

// Virtual time only moves in advanceBy(): a timer not yet due is no reason to wake, and one that
// is due is a reason to wake at once.
PollEventLoop::Clock::time_point VirtualClockEventLoop::wakeTimeFor(Clock::time_point due) const {
  return due <= now_.load() ? Clock::time_point::min() : Clock::time_point::max();
}

}  // namespace platform
