#pragma once

#include <atomic>
#include <chrono>

#include "platform/PollEventLoop.h"

namespace platform {

// A poll loop whose timers follow a clock of its own, which starts at the clock's epoch and stands
// still until advanceBy(): tests of timed behaviour run without waiting, and nothing in them
// depends on the real time. Blocks and sources run as on any poll loop.
class VirtualClockEventLoop final : public PollEventLoop {
 public:
  VirtualClockEventLoop() = default;

  // Moves the loop's time forward by `duration`, running on the way every timer that falls due,
  // in order of due time, each followed by everything it made ready. Timers scheduled meanwhile
  // run too when they fall due within the duration. Loop thread only.
  void advanceBy(Clock::duration duration);

 protected:
  [[nodiscard]] Clock::time_point now() const override;
  [[nodiscard]] Clock::time_point wakeTimeFor(Clock::time_point due) const override;

 private:
  std::atomic<Clock::time_point> now_{Clock::time_point{}};
};

}  // namespace platform
