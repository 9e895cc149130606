// Installing a bundle (a synthetic one of about 200 MB in 2,000 files, symbolic links included)
// with FileManager::replaceItem against `cp -a` of the same tree, timed in one run:
//   installOntoNothing      a first installation: "ratio" is replaceItem's time over cp's; the goal
//                           is at most 1.1
//   replaceAnInstalledCopy  an update: replaceItem also removes the old copy, so the run times
//                           `rm -rf` of an equal tree as well; "ratio_cp_rm" compares replaceItem
//                           with `rm -rf` and `cp -a` together, the same work done unsafely
// Every timed step starts after everything waiting has been written back.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "ScratchFolder.h"
#include "platform/FileManager.h"
#include "platform/ProcessLauncher.h"
#include "platform/SystemPaths.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int fileCount = 2000;
constexpr std::size_t fileSize = std::size_t{100} * 1024;

// A bundle with its files spread over nested folders and a link beside every fiftieth file.
void layOutBundle(const fs::path& bundle) {
  std::string block(fileSize, 'x');
  for (int index = 0; index < fileCount; ++index) {
    const fs::path file = bundle / "Contents/Resources" / ("folder" + std::to_string(index % 20)) /
                          ("sub" + std::to_string(index % 3)) / ("file" + std::to_string(index));
    fs::create_directories(file.parent_path());
    block.replace(0, 16, std::to_string(index) + "                ");
    std::ofstream(file, std::ios::binary) << block;
    if (index % 50 == 0) {
      fs::create_symlink(file.filename(), file.parent_path() / ("link" + std::to_string(index)));
    }
  }
}

// A scratch folder with the bundle laid out in it, and the folders its copies go to: the one
// replaceItem installs and the one cp -a makes.
struct Scene {
  ScratchFolder scratch;
  platform::FileManager files{scratch.path(), scratch.path()};
  platform::ProcessLauncher processes{platform::SystemPaths(std::nullopt), {}};
  fs::path source = scratch.path() / "New.app";
  fs::path installed = scratch.path() / "Applications/Ferrolin.app";
  fs::path copied = scratch.path() / "cp/Ferrolin.app";

  Scene() {
    layOutBundle(source);
    fs::create_directories(installed.parent_path());
    fs::create_directories(copied.parent_path());
  }
};

double seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

void replaceAnInstalledCopy(benchmark::State& state) {
  const Scene scene;
  const auto& [scratch, files, processes, source, installed, copied] = scene;
  if (!files.copyItem(source, installed)) {
    state.SkipWithError("could not install the first copy");
    return;
  }
  if (processes.run("/bin/cp", {"-a", source.string(), copied.string()}) != 0) {
    state.SkipWithError("cp -a failed");
    return;
  }
  // Runs a tool on a tree after everything waiting is written back; its time in seconds, or -1.
  const auto timedRun = [&](const fs::path& tool, const std::vector<std::string>& arguments) {
    ::sync();
    const Clock::time_point start = Clock::now();
    const auto status = processes.run(tool, arguments);
    return status == 0 ? seconds(Clock::now() - start) : -1.0;
  };
  double replace = 0;
  double cp = 0;
  double rm = 0;
  for ([[maybe_unused]] auto _ : state) {
    ::sync();
    const Clock::time_point start = Clock::now();
    const auto replaced = files.replaceItem(source, installed);
    const double took = seconds(Clock::now() - start);
    if (!replaced) {
      state.SkipWithError(replaced.error().localizedDescription.c_str());
      return;
    }
    const double rmTook = timedRun("/bin/rm", {"-rf", copied.string()});
    const double cpTook = timedRun("/bin/cp", {"-a", source.string(), copied.string()});
    if (rmTook < 0 || cpTook < 0) {
      state.SkipWithError("rm -rf or cp -a failed");
      return;
    }
    replace += took;
    rm += rmTook;
    cp += cpTook;
    state.SetIterationTime(took);
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["cp_ms"] = benchmark::Counter(1000 * cp / iterations);
  state.counters["rm_ms"] = benchmark::Counter(1000 * rm / iterations);
  state.counters["ratio_cp"] = replace / cp;
  state.counters["ratio_cp_rm"] = replace / (cp + rm);
}
BENCHMARK(replaceAnInstalledCopy)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void installOntoNothing(benchmark::State& state) {
  const Scene scene;
  const auto& [scratch, files, processes, source, installed, copied] = scene;
  double replace = 0;
  double cp = 0;
  for ([[maybe_unused]] auto _ : state) {
    ::sync();
    Clock::time_point start = Clock::now();
    const auto replaced = files.replaceItem(source, installed);
    const double took = seconds(Clock::now() - start);
    ::sync();
    start = Clock::now();
    const auto status = processes.run("/bin/cp", {"-a", source.string(), copied.string()});
    const double cpTook = seconds(Clock::now() - start);
    if (!replaced || status != 0) {
      state.SkipWithError("replaceItem or cp -a failed");
      return;
    }
    replace += took;
    cp += cpTook;
    state.SetIterationTime(took);
    state.PauseTiming();
    fs::remove_all(installed);
    fs::remove_all(copied);
    state.ResumeTiming();
  }
  state.counters["cp_ms"] = benchmark::Counter(1000 * cp / static_cast<double>(state.iterations()));
  state.counters["ratio"] = replace / cp;
}
BENCHMARK(installOntoNothing)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
