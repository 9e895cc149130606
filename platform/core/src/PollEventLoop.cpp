#include "platform/PollEventLoop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <system_error>
#include <utility>

namespace platform {

namespace {

// Events that make a source's callback run besides the one it waits for: states its read() or
// write() will report.
constexpr short reportedProblems = POLLHUP | POLLERR | POLLNVAL;

// Milliseconds from now until `waitUntil`, rounded up so that the loop never wakes before a timer
// is due; -1 (as long as it takes) for time_point::max().
int pollTimeout(std::chrono::steady_clock::time_point waitUntil) {
  if (waitUntil == std::chrono::steady_clock::time_point::max()) {
    return -1;
  }
  const auto now = std::chrono::steady_clock::now();
  if (waitUntil <= now) {
    return 0;
  }
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(waitUntil - now);
  return static_cast<int>(std::min<std::chrono::milliseconds::rep>(left.count(), INT_MAX));
}

}  // namespace

PollEventLoop::PollEventLoop() {
  if (!wakePipe_.valid()) {
    throw std::system_error(errno, std::generic_category(), "pipe");
  }
}

PollEventLoop::~PollEventLoop() = default;

// Wake-ups are written while the lock is held: once the loop sees the new work, the caller no
// longer touches the loop, so whoever waits for that work may destroy the loop right away.

void PollEventLoop::async(std::function<void()> block) {
  const std::scoped_lock lock(mutex_);
  // The loop looks at the queue before it sleeps, so only the first block of a batch must wake it.
  if (blocks_.empty()) {
    wake();
  }
  blocks_.push_back(std::move(block));
}

void PollEventLoop::asyncAfter(Clock::duration delay, std::shared_ptr<WorkItem> item) {
  const std::scoped_lock lock(mutex_);
  // A multimap inserts after the entries with an equal key, which keeps equal due times in order.
  const auto position = timers_.emplace(now() + delay, std::move(item));
  // The loop sleeps at most until the earliest timer; a later one needs no wake-up.
  if (position == timers_.begin()) {
    wake();
  }
}

EventLoop::SourceId PollEventLoop::addReadSource(int fd, std::function<void()> onReadable) {
  return addSource(fd, POLLIN, std::move(onReadable));
}

EventLoop::SourceId PollEventLoop::addWriteSource(int fd, std::function<void()> onWritable) {
  return addSource(fd, POLLOUT, std::move(onWritable));
}

EventLoop::SourceId PollEventLoop::addSource(int fd, short events, std::function<void()> onReady) {
  const SourceId id{++lastSourceId_};
  sources_.push_back(
      {id, fd, events, std::make_shared<const std::function<void()>>(std::move(onReady))});
  return id;
}

void PollEventLoop::removeSource(SourceId id) {
  std::erase_if(sources_, [id](const Source& source) { return source.id == id; });
}

void PollEventLoop::run() {
  for (;;) {
    {
      const std::scoped_lock lock(mutex_);
      if (stopRequested_) {
        stopRequested_ = false;
        return;
      }
    }
    dispatchRound(Clock::time_point::max());
  }
}

void PollEventLoop::stop() {
  const std::scoped_lock lock(mutex_);
  stopRequested_ = true;
  wake();
}

bool PollEventLoop::runUntil(const std::function<bool()>& condition,
                             std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!condition()) {
    if (Clock::now() >= deadline) {
      return false;
    }
    dispatchRound(deadline);
  }
  return true;
}

void PollEventLoop::runUntilIdle() {
  while (dispatchRound(Clock::time_point::min())) {
  }
}

PollEventLoop::Clock::time_point PollEventLoop::now() const {
  return Clock::now();
}

PollEventLoop::Clock::time_point PollEventLoop::wakeTimeFor(Clock::time_point due) const {
  return due;
}

std::optional<PollEventLoop::Clock::time_point> PollEventLoop::earliestTimer() {
  const std::scoped_lock lock(mutex_);
  if (timers_.empty()) {
    return std::nullopt;
  }
  return timers_.begin()->first;
}

void PollEventLoop::wake() const {
  wakePipe_.wake();
}

// One round: sleeps until waitUntil (time_point::max(): as long as it takes) or until there is
// work, then runs the callbacks of ready sources, the timers that are due and the blocks queued
// so far. Blocks queued during the round run in the next one, so sources are not starved. Returns
// whether anything was dispatched. A block that throws ends the program.
bool PollEventLoop::dispatchRound(Clock::time_point waitUntil) noexcept {
  {
    const std::scoped_lock lock(mutex_);
    // Cancelled timers at the front would only wake the loop for nothing.
    while (!timers_.empty() && timers_.begin()->second->isCancelled()) {
      timers_.erase(timers_.begin());
    }
    if (!blocks_.empty()) {
      waitUntil = Clock::time_point::min();
    } else if (!timers_.empty()) {
      waitUntil = std::min(waitUntil, wakeTimeFor(timers_.begin()->first));
    }
  }

  std::vector<pollfd> fds;
  std::vector<SourceId> polled;
  fds.reserve(sources_.size() + 1);
  polled.reserve(sources_.size());
  fds.push_back({.fd = wakePipe_.readEnd(), .events = POLLIN, .revents = 0});
  for (const Source& source : sources_) {
    fds.push_back({.fd = source.fd, .events = source.events, .revents = 0});
    polled.push_back(source.id);
  }

  if (::poll(fds.data(), static_cast<nfds_t>(fds.size()), pollTimeout(waitUntil)) < 0) {
    // Interrupted by a signal: nothing is reported; the timers and blocks below still run.
    for (pollfd& entry : fds) {
      entry.revents = 0;
    }
  }

  if ((fds.front().revents & POLLIN) != 0) {
    wakePipe_.drain();
  }

  bool dispatched = false;
  for (std::size_t i = 0; i < polled.size(); ++i) {
    if ((fds[i + 1].revents & (fds[i + 1].events | reportedProblems)) == 0) {
      continue;
    }
    // An earlier callback of this round may have removed the source.
    const auto source = std::ranges::find(sources_, polled[i], &Source::id);
    if (source == sources_.end()) {
      continue;
    }
    // Holds the callback alive while it runs, even if it removes its own source.
    const auto onReady = source->onReady;
    (*onReady)();
    dispatched = true;
  }

  // Timers and blocks are taken off their queues one at a time, so that a nested run of the loop
  // started by one of them (a modal alert) goes on with the ones after it.
  Clock::time_point dueBy;
  {
    const std::scoped_lock lock(mutex_);
    dueBy = now();
  }
  for (;;) {
    std::shared_ptr<WorkItem> timer;
    {
      const std::scoped_lock lock(mutex_);
      if (timers_.empty() || timers_.begin()->first > dueBy) {
        break;
      }
      timer = std::move(timers_.begin()->second);
      timers_.erase(timers_.begin());
    }
    timer->perform();
    dispatched = true;
  }

  std::size_t queuedBeforeThisRound = 0;
  {
    const std::scoped_lock lock(mutex_);
    queuedBeforeThisRound = blocks_.size();
  }
  for (; queuedBeforeThisRound > 0; --queuedBeforeThisRound) {
    std::function<void()> block;
    {
      const std::scoped_lock lock(mutex_);
      if (blocks_.empty()) {
        break;  // a nested run took them
      }
      block = std::move(blocks_.front());
      blocks_.pop_front();
    }
    block();
    dispatched = true;
  }
  return dispatched;
}

}  // namespace platform
