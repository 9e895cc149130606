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

#include "platform/Descriptors.h"
#include "platform/EventLoop.h"
#include "platform/WorkItem.h"

namespace platform {

// The event loop on poll: while there is nothing to do it sleeps in poll and wakes only for work
// (a block queued, a timer due, a source ready) or for stop(); there are no periodic wake-ups.
// Its timers follow the steady clock.
class PollEventLoop : public EventLoop {
 public:
  // A loop of its own (each test makes one). Throws std::system_error when the system cannot give
  // it a wake-up descriptor.
  PollEventLoop();
  ~PollEventLoop() override;

  PollEventLoop(const PollEventLoop&) = delete;
  PollEventLoop& operator=(const PollEventLoop&) = delete;
  PollEventLoop(PollEventLoop&&) = delete;
  PollEventLoop& operator=(PollEventLoop&&) = delete;

  using EventLoop::async;
  void async(std::function<void()> block) override;
  void asyncAfter(std::chrono::steady_clock::duration delay,
                  std::shared_ptr<WorkItem> item) override;
  SourceId addReadSource(int fd, std::function<void()> onReadable) override;
  SourceId addWriteSource(int fd, std::function<void()> onWritable) override;
  void removeSource(SourceId id) override;
  void run() override;
  void stop() override;
  bool runUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) override;
  void runUntilIdle() override;

 protected:
  using Clock = std::chrono::steady_clock;

  // The timers' time. Called with the loop's lock held, from any thread.
  [[nodiscard]] virtual Clock::time_point now() const;
  // When, on the steady clock, the loop must be awake for a timer due at `due` of the timers'
  // time: at `due` itself here. Called with the loop's lock held.
  [[nodiscard]] virtual Clock::time_point wakeTimeFor(Clock::time_point due) const;

  // The due time of the earliest timer, cancelled or not; nothing when none is scheduled.
  std::optional<Clock::time_point> earliestTimer();

 private:
  struct Source {
    SourceId id;
    int fd;
    short events;  // POLLIN or POLLOUT
    std::shared_ptr<const std::function<void()>> onReady;
  };

  SourceId addSource(int fd, short events, std::function<void()> onReady);

  bool dispatchRound(Clock::time_point waitUntil) noexcept;
  void wake() const;  // with mutex_ held

  WakePipe wakePipe_;
  std::mutex mutex_;
  bool stopRequested_ = false;                                          // guarded by mutex_
  std::deque<std::function<void()>> blocks_;                            // guarded by mutex_
  std::multimap<Clock::time_point, std::shared_ptr<WorkItem>> timers_;  // guarded by mutex_
  std::vector<Source> sources_;
  std::uint64_t lastSourceId_ = 0;
};

}  // namespace platform
