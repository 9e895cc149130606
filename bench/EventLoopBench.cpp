#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/PollEventLoop.h"
#include "platform/WorkItem.h"

namespace {

using namespace std::chrono_literals;
using platform::PollEventLoop;
using platform::WorkItem;

constexpr int batch = 1000;

// Blocks queued by the loop's own thread, then run.
void asyncFromLoopThread(benchmark::State& state) {
  PollEventLoop loop;
  std::int64_t ran = 0;
  for ([[maybe_unused]] auto _ : state) {
    for (int i = 0; i < batch; ++i) {
      loop.async([&ran] { ++ran; });
    }
    loop.runUntilIdle();
  }
  benchmark::DoNotOptimize(ran);
  state.SetItemsProcessed(ran);
}
BENCHMARK(asyncFromLoopThread);

// Blocks queued by another thread while the loop runs them as they come.
void asyncFromAnotherThread(benchmark::State& state) {
  PollEventLoop loop;
  std::int64_t ran = 0;
  for ([[maybe_unused]] auto _ : state) {
    const std::int64_t target = ran + batch;
    std::jthread sender([&loop, &ran] {
      for (int i = 0; i < batch; ++i) {
        loop.async([&ran] { ++ran; });
      }
    });
    loop.runUntil([&] { return ran == target; }, 60s);
  }
  state.SetItemsProcessed(ran);
}
BENCHMARK(asyncFromAnotherThread)->UseRealTime();

// Timers scheduled latest-first (each one becomes the earliest) and all due at once.
void timersScheduledAndFired(benchmark::State& state) {
  PollEventLoop loop;
  std::int64_t ran = 0;
  for ([[maybe_unused]] auto _ : state) {
    for (int i = 0; i < batch; ++i) {
      loop.asyncAfter(-std::chrono::microseconds(i), std::make_shared<WorkItem>([&ran] { ++ran; }));
    }
    loop.runUntilIdle();
  }
  state.SetItemsProcessed(ran);
}
BENCHMARK(timersScheduledAndFired);

// A delayed task cancelled and scheduled again, as a settings window does on every message.
void timerRescheduled(benchmark::State& state) {
  PollEventLoop loop;
  auto pending = std::make_shared<WorkItem>([] {});
  for ([[maybe_unused]] auto _ : state) {
    pending->cancel();
    pending = std::make_shared<WorkItem>([] {});
    loop.asyncAfter(1h, pending);
    loop.runUntilIdle();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(timerRescheduled);

}  // namespace
