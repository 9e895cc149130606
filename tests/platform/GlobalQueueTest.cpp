#include "platform/GlobalQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using platform::GlobalQueue;

// Long enough for a loaded machine; working code gets there far sooner.
constexpr std::chrono::milliseconds generous = 10s;

// A meeting point for two blocks: each arrives and waits for the other.
class Rendezvous {
 public:
  // Whether the other party arrived before the deadline.
  bool arriveAndWait() {
    std::unique_lock lock(mutex_);
    ++arrived_;
    bothArrived_.notify_all();
    return bothArrived_.wait_for(lock, generous, [this] { return arrived_ == 2; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable bothArrived_;
  int arrived_ = 0;
};

TEST(GlobalQueue, RunsBlocksOnWorkerThreadsSeveralAtOnce) {
  std::promise<std::thread::id> ranOn;
  Rendezvous rendezvous;
  std::promise<bool> firstMet;
  std::promise<bool> secondMet;
  GlobalQueue queue(2);

  // The process-wide queue runs its blocks in the background too.
  GlobalQueue::userInitiated().async([&] { ranOn.set_value(std::this_thread::get_id()); });
  auto thread = ranOn.get_future();
  ASSERT_EQ(thread.wait_for(generous), std::future_status::ready);
  EXPECT_NE(thread.get(), std::this_thread::get_id());

  // Two blocks that wait for each other both finish only when they run at the same time.
  queue.async([&] { firstMet.set_value(rendezvous.arriveAndWait()); });
  queue.async([&] { secondMet.set_value(rendezvous.arriveAndWait()); });
  EXPECT_TRUE(firstMet.get_future().get());
  EXPECT_TRUE(secondMet.get_future().get());
}

TEST(GlobalQueue, DestructorFinishesRunningAndQueuedBlocks) {
  std::atomic<int> finished{0};
  std::promise<void> gate;
  {
    GlobalQueue queue(1);
    // The single thread is held up by the first block, so the others are still queued when the
    // queue goes away; one more is queued while it is going away.
    queue.async([&, open = gate.get_future().share()] {
      open.wait();
      queue.async([&] { ++finished; });
      ++finished;
    });
    for (int i = 0; i < 10; ++i) {
      queue.async([&] { ++finished; });
    }
    gate.set_value();
  }
  EXPECT_EQ(finished.load(), 12);
}

}  // namespace
