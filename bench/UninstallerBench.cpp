// The uninstaller's removal of a synthetic install (about 200 MB in 2,000 files spread over the
// paths it removes, symbolic links included) against `rm -rf` of the same paths, timed in one run.
// The counter "ratio" is the uninstaller's time over rm's; the goal is at most 1.1.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Removal.h"
#include "ScratchFolder.h"
#include "model/EmulatedDesktop.h"
#include "platform/ApplicationServicesForAnyThread.h"
#include "platform/PollEventLoop.h"
#include "suite/HomeLayout.h"
#include "suite/Launchctl.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int fileCount = 2000;
constexpr std::size_t fileSize = std::size_t{100} * 1024;

// Lays the install out under home: files spread over every removed location, data included.
std::vector<fs::path> layOutInstall(const fs::path& home) {
  const suite::HomeLayout layout = suite::HomeLayout::under(home);
  std::vector<fs::path> removed = layout.suiteItems();
  removed.insert(removed.end(), layout.data.begin(), layout.data.end());
  const std::string block(fileSize, 'x');
  for (int index = 0; index < fileCount; ++index) {
    const fs::path& location = removed[static_cast<std::size_t>(index) % removed.size()];
    const fs::path file = location / ("folder" + std::to_string(index % 7)) /
                          ("file" + std::to_string(index) + ".bin");
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << block;
    if (index % 50 == 0) {
      fs::create_symlink(file, file.parent_path() / ("link" + std::to_string(index)));
    }
  }
  return removed;
}

double seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

void uninstallerAgainstRmRf(benchmark::State& state) {
  const ScratchFolder scratch;
  const fs::path home = scratch.path() / "home";
  fs::create_directories(home);
  const platform::FileManager files(home, scratch.path());
  const platform::ProcessLauncher processes(platform::SystemPaths(std::nullopt), {});
  platform::EmulatedDesktop desktop;
  platform::PollEventLoop loop;
  const std::unique_ptr<platform::DesktopConnection> connection = desktop.connect(loop);
  platform::ApplicationServicesForAnyThread applications(*connection, loop);
  const std::atomic<bool> stop = false;
  const uninstaller::Removal removal(
      {
          .files = &files,
          .processes = &processes,
          .applications = &applications,
          .userId = ::getuid(),
          .launchctlTimeLimit = suite::launchctlTimeLimit,
      },
      suite::HomeLayout::under(home), stop);
  double uninstaller = 0;
  double rm = 0;
  for ([[maybe_unused]] auto _ : state) {
    layOutInstall(home);
    const Clock::time_point start = Clock::now();
    const suite::Outcome outcome = removal.run(uninstaller::UninstallChoice::uninstall(true));
    const Clock::duration took = Clock::now() - start;
    benchmark::DoNotOptimize(outcome);

    std::vector<std::string> arguments = {"-rf"};
    for (const fs::path& path : layOutInstall(home)) {
      arguments.push_back(path.string());
    }
    const Clock::time_point rmStart = Clock::now();
    const auto status = processes.run("/bin/rm", arguments);
    rm += seconds(Clock::now() - rmStart);
    benchmark::DoNotOptimize(status);
    uninstaller += seconds(took);
    state.SetIterationTime(seconds(took));
  }
  state.counters["rm_ms"] = benchmark::Counter(1000 * rm / static_cast<double>(state.iterations()));
  state.counters["ratio"] = uninstaller / rm;
}
BENCHMARK(uninstallerAgainstRmRf)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
