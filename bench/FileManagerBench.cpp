#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ScratchFolder.h"
#include "platform/FileManager.h"

namespace {

namespace fs = std::filesystem;

// The settings file is rewritten atomically on every change: a small write with fsync and rename.
void atomicWriteOfASettingsFile(benchmark::State& state) {
  const ScratchFolder folder;
  const platform::FileManager files(folder.path(), folder.path());
  const std::string settings =
      R"({"shortcut":"command+option+b","startAtLogin":true,"language":"en"})";
  for ([[maybe_unused]] auto _ : state) {
    auto written = files.writeAtomically(folder.path() / "launcher-settings.json", settings);
    benchmark::DoNotOptimize(written);
  }
}
BENCHMARK(atomicWriteOfASettingsFile);

// Installing copies a bundle tree and removes the old one; this measures both on a tree of
// state.range(0) files spread over ten folders.
void copyAndRemoveABundle(benchmark::State& state) {
  const ScratchFolder folder;
  const platform::FileManager files(folder.path(), folder.path());
  const fs::path source = folder.path() / "Source.app";
  for (int index = 0; index < state.range(0); ++index) {
    const fs::path subfolder = source / "Contents" / ("folder" + std::to_string(index % 10));
    if (!files.createDirectory(subfolder) ||
        !files.writeAtomically(subfolder / ("file" + std::to_string(index)),
                               std::string(4096, 'x'))) {
      state.SkipWithError("could not lay out the source bundle");
      return;
    }
  }
  const fs::path destination = folder.path() / "Copy.app";
  for ([[maybe_unused]] auto _ : state) {
    auto copied = files.copyItem(source, destination);
    auto removed = files.removeItem(destination);
    benchmark::DoNotOptimize(copied);
    benchmark::DoNotOptimize(removed);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(copyAndRemoveABundle)->Arg(100)->Arg(1000);

}  // namespace
