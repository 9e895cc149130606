#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/WorkItem.h"

namespace platform {

// The event loop a thread runs: queued blocks, timers and file-descriptor sources, all dispatched
// on the thread that runs the loop. Components hold an EventLoop& and never learn which loop it
// is: the process's main loop (PollEventLoop here), or a loop a test made (a PollEventLoop of its
// own, or a VirtualClockEventLoop for timed behaviour).
class EventLoop {
 public:
  // Names a file-descriptor source, for removeSource.
  enum class SourceId : std::uint64_t {};

  // The process's main queue; the program's main thread runs it. Made on first use, never
  // destroyed. Making it also sets the process up as every program with a main loop needs it:
  // SIGXFSZ is ignored, so a write past the file-size limit fails with EFBIG (an error the program
  // reports, its old file intact) rather than ending the program.
  static EventLoop& main();

  virtual ~EventLoop() = default;
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;
  EventLoop(EventLoop&&) = delete;
  EventLoop& operator=(EventLoop&&) = delete;

  // Queues a block to run on the loop's thread, after the blocks queued before it; from any thread.
  virtual void async(std::function<void()> block) = 0;
  // The same for a work item, skipped if it is cancelled by then.
  void async(std::shared_ptr<WorkItem> item);

  // Schedules a work item to run on the loop's thread once the delay has passed; from any thread.
  // Timers run in order of due time, equal due times in the order scheduled; cancelled ones are
  // dropped.
  virtual void asyncAfter(std::chrono::steady_clock::duration delay,
                          std::shared_ptr<WorkItem> item) = 0;

  // Calls onReadable on the loop's thread whenever fd is readable, has hung up or has an error (so
  // the owner's read sees end-of-file or the error and can remove the source). The loop neither
  // owns nor closes fd, which must stay open until the source is removed. Loop thread only.
  virtual SourceId addReadSource(int fd, std::function<void()> onReadable) = 0;
  // The same for writing: onWritable runs whenever fd can take more data, has hung up or has an
  // error. Keep it only while there is something to write: a writable descriptor wakes every round.
  virtual SourceId addWriteSource(int fd, std::function<void()> onWritable) = 0;

  // Removes a source; safe from inside any source's callback, its own included. Loop thread only.
  virtual void removeSource(SourceId id) = 0;

  // Runs the loop on the calling thread until stop(). run() may be called again afterwards.
  virtual void run() = 0;

  // Makes run() return once it has finished the round of callbacks it is dispatching; from any
  // thread. When the loop is not running, the next run() returns right away.
  virtual void stop() = 0;

  // Runs the loop until condition holds (checked first and after each round of dispatching) or the
  // timeout passes, sleeping in between; returns the condition's final value.
  virtual bool runUntil(const std::function<bool()>& condition,
                        std::chrono::milliseconds timeout) = 0;

  // Runs every block that is ready, every timer already due and every source that is ready,
  // without waiting, until nothing more is ready (blocks queued by those blocks run too; timers not
  // yet due do not).
  virtual void runUntilIdle() = 0;

 protected:
  EventLoop() = default;
};

}  // namespace platform
