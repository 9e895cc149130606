#include <benchmark/benchmark.h>

#include <optional>

#include "platform/Url.h"

namespace {

// One parse of the update check's service address, as the launcher makes it once per check.
void parseServiceAddress(benchmark::State& state) {
  for ([[maybe_unused]] auto _ : state) {
    std::optional<platform::Url> url =
        platform::Url::parse("https://ferrolin.app/api/app/latest-version");
    benchmark::DoNotOptimize(url);
  }
}
BENCHMARK(parseServiceAddress)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
