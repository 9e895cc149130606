#pragma once

#include <atomic>
#include <functional>

namespace platform {

// A block that can be cancelled before it runs. Queue it on an event loop (now or after a delay)
// and keep the shared_ptr to cancel it: made as std::make_shared<WorkItem>(block).
class WorkItem {
 public:
  explicit WorkItem(std::function<void()> block);

  // Runs the block on the calling thread, unless the item has been cancelled.
  void perform() const;

  // Marks the item cancelled; from any thread. Queued or scheduled, it is then skipped when its
  // turn comes, also when it is cancelled by a block that runs just before it.
  void cancel();

  // Whether cancel() has been called; from any thread.
  bool isCancelled() const;

 private:
  std::function<void()> block_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace platform
