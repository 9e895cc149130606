#include "platform/GlobalQueue.h"

#include <algorithm>
#include <utility>

namespace platform {

GlobalQueue& GlobalQueue::userInitiated() {
  // Never destroyed: blocks still running while the process exits keep a valid queue to call.
  static GlobalQueue& queue =
      *new GlobalQueue(std::max<std::size_t>(std::thread::hardware_concurrency(), 4));
  return queue;
}

GlobalQueue::GlobalQueue(std::size_t threadCount) {
  const std::size_t count = std::max<std::size_t>(threadCount, 1);
  threads_.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    threads_.emplace_back([this] { work(); });
  }
}

GlobalQueue::~GlobalQueue() {
  {
    const std::scoped_lock lock(mutex_);
    finishing_ = true;
  }
  blockQueued_.notify_all();
  for (auto& thread : threads_) {
    thread.join();
  }
}

void GlobalQueue::async(std::function<void()> block) {
  {
    const std::scoped_lock lock(mutex_);
    blocks_.push_back(std::move(block));
  }
  blockQueued_.notify_one();
}

void GlobalQueue::work() {
  for (;;) {
    std::function<void()> block;
    {
      std::unique_lock lock(mutex_);
      blockQueued_.wait(lock, [this] { return finishing_ || !blocks_.empty(); });
      if (blocks_.empty()) {
        return;
      }
      block = std::move(blocks_.front());
      blocks_.pop_front();
    }
    block();
  }
}

}  // namespace platform
