#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/WorkItem.h"

namespace platform {

// A poll-based event loop: queued blocks, timers and file-descriptor sources, all dispatched on the
// thread that runs the loop. While there is nothing to do it sleeps in poll and wakes only for work
// (a block queued, a timer due, a source ready) or for stop(); there are no periodic wake-ups.
class EventLoop {
 public:
  // Names a file-descriptor source, for removeSource.
  enum class SourceId : std::uint64_t {};

  // The process's main queue; the program's main thread runs it. Made on first use, never
  // destroyed. Making it also sets the process up as every program with a main loop needs it:
  // SIGXFSZ is ignored, so a write past the file-size limit fails with EFBIG (an error the program
  // reports, its old file intact) rather than ending the program.
  static EventLoop& main();

  // Selects a loop whose timers follow a clock of its own, which stands still until advanceBy().
  struct VirtualClock {};
  static constexpr VirtualClock virtualClock{};

  // A loop of its own (each test makes one). Throws std::system_error when the system cannot give
  // it a wake-up descriptor.
  EventLoop();
  // The same, with its timers on a virtual clock: tests of timed behaviour run without waiting.
  explicit EventLoop(VirtualClock /*unused*/);
  ~EventLoop();

  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;
  EventLoop(EventLoop&&) = delete;
  EventLoop& operator=(EventLoop&&) = delete;

  // Queues a block (or a work item, skipped if cancelled by then) to run on the loop's thread,
  // after the blocks queued before it; from any thread.
  void async(std::function<void()> block);
  void async(std::shared_ptr<WorkItem> item);

  // Schedules a work item to run on the loop's thread once the delay has passed; from any thread.
  // Timers run in order of due time, equal due times in the order scheduled; cancelled ones are
  // dropped.
  void asyncAfter(std::chrono::steady_clock::duration delay, std::shared_ptr<WorkItem> item);

  // Calls onReadable on the loop's thread whenever fd is readable, has hung up or has an error (so
  // the owner's read sees end-of-file or the error and can remove the source). The loop neither
  // owns nor closes fd, which must stay open until the source is removed. Loop thread only.
  SourceId addReadSource(int fd, std::function<void()> onReadable);
  // The same for writing: onWritable runs whenever fd can take more data, has hung up or has an
  // error. Keep it only while there is something to write: a writable descriptor wakes every round.
  SourceId addWriteSource(int fd, std::function<void()> onWritable);

  // Removes a source; safe from inside any source's callback, its own included. Loop thread only.
  void removeSource(SourceId id);

  // Runs the loop on the calling thread until stop(). run() may be called again afterwards.
  void run();

  // Makes run() return once it has finished the round of callbacks it is dispatching; from any
  // thread. When the loop is not running, the next run() returns right away.
  void stop();

  // Runs the loop until condition holds (checked first and after each round of dispatching) or the
  // timeout passes, sleeping in poll in between; returns the condition's final value.
  bool runUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

  // Runs every block that is ready, every timer already due and every source that is ready,
  // without waiting, until nothing more is ready (blocks queued by those blocks run too; timers not
  // yet due do not).
  void runUntilIdle();

  // Virtual clock only: moves the loop's time forward by `duration`, running on the way every
  // timer that falls due, in order of due time, each followed by everything it made ready. Timers
  // scheduled meanwhile run too when they fall due within the duration.
  void advanceBy(std::chrono::steady_clock::duration duration);

 private:
  using Clock = std::chrono::steady_clock;

  struct Source {
    SourceId id;
    int fd;
    short events;  // POLLIN or POLLOUT
    std::shared_ptr<const std::function<void()>> onReady;
  };

  SourceId addSource(int fd, short events, std::function<void()> onReady);

  bool dispatchRound(Clock::time_point waitUntil) noexcept;
  void wake() const;              // with mutex_ held
  Clock::time_point now() const;  // with mutex_ held: the timers' time

  int wakeFd_;
  std::mutex mutex_;
  bool stopRequested_ = false;                                          // guarded by mutex_
  std::optional<Clock::time_point> virtualNow_;                         // guarded by mutex_
  std::deque<std::function<void()>> blocks_;                            // guarded by mutex_
  std::multimap<Clock::time_point, std::shared_ptr<WorkItem>> timers_;  // guarded by mutex_
  std::vector<Source> sources_;
  std::uint64_t lastSourceId_ = 0;
};

}  // namespace platform
