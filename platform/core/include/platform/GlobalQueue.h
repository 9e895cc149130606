#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// A concurrent queue for background work: blocks run on a fixed set of worker threads, in the order
// queued, several at once when several are waiting. Results go back to the main thread with
// EventLoop::async.
class GlobalQueue {
 public:
  // The process-wide queue for work the user asked for and waits on. Made on first use with as many
  // threads as the machine has processors, at least four; never destroyed.
  static GlobalQueue& userInitiated();

  // A queue with its own threadCount worker threads (at least one). Throws std::system_error when a
  // thread cannot be started.
  explicit GlobalQueue(std::size_t threadCount);

  // Lets running and already queued blocks finish (also blocks they queue), then joins the threads.
  // Not to be called from one of the queue's own blocks.
  ~GlobalQueue();

  GlobalQueue(const GlobalQueue&) = delete;
  GlobalQueue& operator=(const GlobalQueue&) = delete;
  GlobalQueue(GlobalQueue&&) = delete;
  GlobalQueue& operator=(GlobalQueue&&) = delete;

  // Queues a block to run on one of the worker threads; from any thread.
  void async(std::function<void()> block);

 private:
  void work();

  std::mutex mutex_;
  std::condition_variable blockQueued_;
  std::deque<std::function<void()>> blocks_;  // guarded by mutex_
  bool finishing_ = false;                    // guarded by mutex_
  std::vector<std::thread> threads_;
};

}  // namespace platform
