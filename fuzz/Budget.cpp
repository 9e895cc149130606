// The cost budget of one input, in the fuzz build only. The targets are linked with
// --wrap=LLVMFuzzerTestOneInput, so libFuzzer calls this wrapper, which runs the target's own
// function and stops the process (libFuzzer then keeps the input as a crash) when that one call
// took more than 10 ms of its thread's CPU time, or when its allocations peaked more than 10 MB
// above where they stood before it. CPU time and not wall time: the machine is shared, and time
// spent waiting for a core is not the input's cost. The build is instrumented (sanitizers and
// coverage, several times slower than the product), so the budget is stricter than it reads.

#include <sanitizer/allocator_interface.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

// NOLINTNEXTLINE(bugprone-reserved-identifier): the name the linker gives the wrapped function
extern "C" int __real_LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

constexpr std::int64_t cpuBudgetNanoseconds = 10'000'000;
constexpr std::int64_t memoryBudgetBytes = 10'000'000;

// Bytes allocated and not freed since the input began (negative when it freed older memory), and
// their peak. The hooks run on every thread; only the input's own allocations are counted.
std::atomic<bool> counting{false};
std::atomic<std::int64_t> live{0};
std::atomic<std::int64_t> peak{0};

void onAllocate(const volatile void* /*pointer*/, std::size_t size) {
  if (!counting.load(std::memory_order_relaxed)) {
    return;
  }
  const std::int64_t now =
      live.fetch_add(static_cast<std::int64_t>(size), std::memory_order_relaxed) +
      static_cast<std::int64_t>(size);
  std::int64_t seen = peak.load(std::memory_order_relaxed);
  while (now > seen && !peak.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
  }
}

void onFree(const volatile void* pointer) {
  if (counting.load(std::memory_order_relaxed)) {
    live.fetch_sub(static_cast<std::int64_t>(__sanitizer_get_allocated_size(pointer)),
                   std::memory_order_relaxed);
  }
}

std::int64_t threadCpuNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

struct Cost {
  std::int64_t cpuNanoseconds = 0;
  std::int64_t peakBytes = 0;
  int result = 0;
};

Cost run(const std::uint8_t* data, std::size_t size) {
  static const int installed = __sanitizer_install_malloc_and_free_hooks(onAllocate, onFree);
  static_cast<void>(installed);

  live.store(0, std::memory_order_relaxed);
  peak.store(0, std::memory_order_relaxed);
  counting.store(true, std::memory_order_relaxed);
  const std::int64_t started = threadCpuNanoseconds();
  const int result = __real_LLVMFuzzerTestOneInput(data, size);
  const std::int64_t cpu = threadCpuNanoseconds() - started;
  counting.store(false, std::memory_order_relaxed);
  return {cpu, peak.load(std::memory_order_relaxed), result};
}

}  // namespace

// NOLINTNEXTLINE(bugprone-reserved-identifier): the name the linker gives the wrapper
extern "C" int __wrap_LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Cost cost = run(data, size);
  // On a shared machine a thread is now and then charged for time it did not compute (a virtual
  // processor taken away, caches refilled): an input is slow when it is slow every time, so one
  // over the budget runs twice more and keeps its cheapest time.
  for (int again = 0; again < 2 && cost.cpuNanoseconds > cpuBudgetNanoseconds; ++again) {
    cost.cpuNanoseconds = std::min(cost.cpuNanoseconds, run(data, size).cpuNanoseconds);
  }
  if (cost.cpuNanoseconds > cpuBudgetNanoseconds || cost.peakBytes > memoryBudgetBytes) {
    std::fprintf(stderr,
                 "==budget== input of %zu bytes cost %.3f ms of CPU and %lld bytes (budget: 10 ms, "
                 "10 MB)\n",
                 size, static_cast<double>(cost.cpuNanoseconds) / 1e6,
                 static_cast<long long>(cost.peakBytes));
    std::abort();
  }
  return cost.result;
}
