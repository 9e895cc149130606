#include "platform/PollEventLoop.h"
#include "platform/VirtualClockEventLoop.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <ranges>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;
using platform::EventLoop;
using platform::PollEventLoop;
using platform::WorkItem;

// Long enough for a loaded machine; a working loop gets there far sooner.
constexpr std::chrono::milliseconds generous = 10s;

std::shared_ptr<WorkItem> item(std::function<void()> block) {
  return std::make_shared<WorkItem>(std::move(block));
}

// Both ends of a pipe, closed when the test ends.
struct Pipe {
  Pipe() { EXPECT_EQ(::pipe2(fds.data(), O_CLOEXEC), 0); }
  ~Pipe() {
    for (const int fd : fds) {
      ::close(fd);
    }
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  Pipe(Pipe&&) = delete;
  Pipe& operator=(Pipe&&) = delete;

  int readEnd() const { return fds[0]; }
  void write(const std::string& text) const {
    ASSERT_EQ(::write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void closeWriteEnd() { ::close(std::exchange(fds[1], -1)); }
  // What one read() returns: the bytes waiting, or nothing at end-of-file.
  std::string read() const {
    std::array<char, 256> buffer{};
    const ssize_t count = ::read(fds[0], buffer.data(), buffer.size());
    return count > 0 ? std::string(buffer.data(), static_cast<std::size_t>(count)) : std::string();
  }

  std::array<int, 2> fds{-1, -1};
};

TEST(EventLoopBlocks, RunInQueueOrderIncludingBlocksQueuedByBlocks) {
  PollEventLoop loop;
  std::vector<int> order;
  loop.async([&] {
    order.push_back(1);
    loop.async([&] { order.push_back(4); });
  });
  loop.async([&] { order.push_back(2); });
  loop.async(item([&] { order.push_back(3); }));
  EXPECT_TRUE(order.empty()) << "blocks run only when the loop runs";

  loop.runUntilIdle();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

TEST(EventLoopBlocks, BlocksFromManyThreadsRunOnTheLoopThreadInEachSendersOrder) {
  constexpr int senderCount = 4;
  constexpr int blocksPerSender = 500;
  PollEventLoop loop;
  const auto loopThread = std::this_thread::get_id();
  std::vector<std::vector<int>> received(senderCount);
  int total = 0;
  bool allOnLoopThread = true;
  {
    std::vector<std::jthread> senders;
    senders.reserve(senderCount);
    for (int sender = 0; sender < senderCount; ++sender) {
      senders.emplace_back([&, sender] {
        for (int i = 0; i < blocksPerSender; ++i) {
          loop.async([&, sender, i] {
            allOnLoopThread = allOnLoopThread && std::this_thread::get_id() == loopThread;
            received[static_cast<std::size_t>(sender)].push_back(i);
            ++total;
          });
        }
      });
    }
    ASSERT_TRUE(loop.runUntil([&] { return total == senderCount * blocksPerSender; }, generous));
  }
  EXPECT_TRUE(allOnLoopThread);
  for (const auto& fromSender : received) {
    EXPECT_TRUE(std::ranges::equal(fromSender, std::views::iota(0, blocksPerSender)));
  }
}

// Timers run in order of due time, equal delays in the order scheduled, and never once cancelled
// (from any thread); a cancelled delayed task can be scheduled again, as a settings window does
// when a new message arrives.
TEST(EventLoopTimers, FireInOrderOfDueTimeUnlessCancelled) {
  PollEventLoop loop;
  std::vector<std::string> fired;
  auto record = [&](const std::string& name) {
    return item([&fired, name] { fired.push_back(name); });
  };
  loop.asyncAfter(60ms, record("last"));
  loop.asyncAfter(0ms, record("first"));
  loop.asyncAfter(20ms, record("middle-a"));
  loop.asyncAfter(20ms, record("middle-b"));
  loop.asyncAfter(20ms, record("middle-c"));
  const auto pending = record("cancelled here");
  loop.asyncAfter(30ms, pending);
  pending->cancel();
  loop.asyncAfter(30ms, record("restarted"));
  const auto elsewhere = record("cancelled elsewhere");
  loop.asyncAfter(10ms, elsewhere);
  std::jthread([&] { elsewhere->cancel(); }).join();

  ASSERT_TRUE(loop.runUntil([&] { return fired.size() >= 6; }, generous));
  EXPECT_EQ(fired, (std::vector<std::string>{"first", "middle-a", "middle-b", "middle-c",
                                             "restarted", "last"}));
}

TEST(EventLoopWorkItems, ItemCancelledByAnEarlierBlockOfTheSameRoundIsSkipped) {
  PollEventLoop loop;
  bool timerRan = false;
  bool blockRan = false;
  auto victimTimer = item([&] { timerRan = true; });
  auto victimBlock = item([&] { blockRan = true; });
  // Both timers are due when the loop next looks, so they are taken out together; the first one
  // cancels the second after that.
  loop.asyncAfter(0ms, item([&] {
                    victimTimer->cancel();
                    victimBlock->cancel();
                  }));
  loop.asyncAfter(0ms, victimTimer);
  loop.async(victimBlock);

  loop.runUntilIdle();
  EXPECT_FALSE(timerRan);
  EXPECT_FALSE(blockRan);
}

TEST(EventLoopRun, StopEndsRunFromAnyThreadAndRunCanStartAgain) {
  PollEventLoop loop;
  bool watchdogFired = false;
  auto watchdog = item([&] {
    watchdogFired = true;
    loop.stop();
  });
  loop.asyncAfter(generous, watchdog);

  std::jthread stopper;
  loop.async([&] { stopper = std::jthread([&] { loop.stop(); }); });
  loop.run();
  EXPECT_FALSE(watchdogFired) << "stop() from another thread did not end run()";

  bool ranInSecondRun = false;
  loop.async([&] {
    ranInSecondRun = true;
    loop.stop();
  });
  loop.run();
  EXPECT_TRUE(ranInSecondRun);

  // A stop requested while nothing runs the loop ends the next run() at once.
  loop.stop();
  loop.run();
  EXPECT_FALSE(watchdogFired);
}

TEST(EventLoopSources, ReadSourceSeesDataThenTheClosedWriteEndAndCanRemoveItself) {
  PollEventLoop loop;
  Pipe pipe;
  std::string received;
  int endOfFileCalls = 0;
  EventLoop::SourceId source{};
  source = loop.addReadSource(pipe.readEnd(), [&] {
    const std::string chunk = pipe.read();
    if (!chunk.empty()) {
      received += chunk;
      return;
    }
    ++endOfFileCalls;
    loop.removeSource(source);
  });
  loop.runUntilIdle();
  EXPECT_TRUE(received.empty());

  std::jthread writer([&] {
    pipe.write("hello");
    pipe.closeWriteEnd();
  });
  ASSERT_TRUE(loop.runUntil([&] { return endOfFileCalls > 0; }, generous));
  EXPECT_EQ(received, "hello");

  // Left registered, a pipe at end-of-file would be reported again on every round.
  EXPECT_FALSE(loop.runUntil([] { return false; }, 100ms));
  EXPECT_EQ(endOfFileCalls, 1);
  EXPECT_NE(::fcntl(pipe.readEnd(), F_GETFD), -1) << "the loop closed a descriptor it does not own";
}

TEST(EventLoopSources, SourceRemovedByAnotherCallbackOfTheSameRoundDoesNotFire) {
  PollEventLoop loop;
  Pipe first;
  Pipe second;
  first.write("1");
  second.write("2");
  int calls = 0;
  EventLoop::SourceId firstSource{};
  EventLoop::SourceId secondSource{};
  // Each callback removes both sources (its own first, then touching its captures), so exactly one
  // runs whichever the loop calls first.
  auto removeBoth = [&] {
    ++calls;
    loop.removeSource(firstSource);
    loop.removeSource(secondSource);
  };
  firstSource = loop.addReadSource(first.readEnd(), removeBoth);
  secondSource = loop.addReadSource(second.readEnd(), removeBoth);

  loop.runUntilIdle();
  EXPECT_EQ(calls, 1);
}

// A block or timer that runs the loop again (as a modal alert does) must not hold back the blocks
// and timers queued after it in the same round: the answer it waits for may be one of them.
TEST(EventLoopNestedRuns, GoOnWithTheBlocksAndTimersQueuedAfterTheOneThatStartedThem) {
  PollEventLoop loop;
  bool blockAnswered = false;
  bool nestedFromBlock = false;
  loop.async([&] { nestedFromBlock = loop.runUntil([&] { return blockAnswered; }, 10s); });
  loop.async([&] { blockAnswered = true; });

  bool timerAnswered = false;
  bool nestedFromTimer = false;
  loop.asyncAfter(0s, std::make_shared<WorkItem>([&] {
                    nestedFromTimer = loop.runUntil([&] { return timerAnswered; }, 10s);
                  }));
  loop.asyncAfter(0s, std::make_shared<WorkItem>([&] { timerAnswered = true; }));

  loop.runUntil([&] { return nestedFromBlock && nestedFromTimer; }, 20s);
  EXPECT_TRUE(nestedFromBlock);
  EXPECT_TRUE(nestedFromTimer);
}

TEST(EventLoopRunUntilIdle, RunsWhatIsReadyNowButNotFutureTimers) {
  PollEventLoop loop;
  Pipe pipe;
  pipe.write("x");
  bool blockRan = false;
  bool dueTimerRan = false;
  bool queuedByTimerRan = false;
  bool futureTimerRan = false;
  std::string sourceRead;
  loop.async([&] { blockRan = true; });
  loop.asyncAfter(0ms, item([&] {
                    dueTimerRan = true;
                    loop.async([&] { queuedByTimerRan = true; });
                  }));
  auto future = item([&] { futureTimerRan = true; });
  loop.asyncAfter(1h, future);
  const auto source = loop.addReadSource(pipe.readEnd(), [&] { sourceRead += pipe.read(); });

  loop.runUntilIdle();
  EXPECT_TRUE(blockRan);
  EXPECT_TRUE(dueTimerRan);
  EXPECT_TRUE(queuedByTimerRan);
  EXPECT_EQ(sourceRead, "x");
  EXPECT_FALSE(futureTimerRan);
  loop.removeSource(source);
}

TEST(EventLoopVirtualClock, AdvancingRunsWhatFallsDueInOrderAndNothingLater) {
  platform::VirtualClockEventLoop loop;
  std::vector<std::string> fired;
  auto record = [&](const std::string& name) {
    return item([&fired, name] { fired.push_back(name); });
  };
  loop.asyncAfter(2200ms, item([&] {
                    fired.emplace_back("fade");
                    // Scheduled on the way: due within the step, so it runs in it.
                    loop.asyncAfter(250ms, record("hidden"));
                    loop.async([&] { fired.emplace_back("after fade"); });
                  }));
  loop.asyncAfter(1h, record("much later"));
  const auto cancelled = record("cancelled");
  loop.asyncAfter(1s, cancelled);
  cancelled->cancel();

  // Real time passing moves nothing.
  EXPECT_FALSE(loop.runUntil([&] { return !fired.empty(); }, 50ms));
  loop.advanceBy(2199ms);
  EXPECT_TRUE(fired.empty());
  loop.advanceBy(1ms);
  EXPECT_EQ(fired, (std::vector<std::string>{"fade", "after fade"}));
  loop.advanceBy(10s);
  EXPECT_EQ(fired, (std::vector<std::string>{"fade", "after fade", "hidden"}));
}

}  // namespace
