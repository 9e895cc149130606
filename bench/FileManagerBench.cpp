#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/FileManager.h"

namespace {

namespace fs = std::filesystem;

// A scratch folder for one benchmark, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "ferrolin-bench-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : fs::temp_directory_path();
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ScratchFolder(ScratchFolder&&) = delete;
  ScratchFolder& operator=(ScratchFolder&&) = delete;

  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

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
