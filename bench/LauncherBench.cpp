#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "LauncherConfig.h"
#include "ScratchFolder.h"
#include "SettingsWindowController.h"
#include "ShortcutGrammar.h"
#include "TargetAppController.h"
#include "model/EmulatedDesktop.h"
#include "model/InProcessTransport.h"
#include "picture/ScreenPicture.h"
#include "platform/Application.h"
#include "platform/FileManager.h"
#include "platform/PollEventLoop.h"
#include "platform/ProcessLauncher.h"
#include "platform/SystemPaths.h"

namespace {

namespace fs = std::filesystem;

// Carries a program's requests to its desktop and counts them: each is one round trip to the
// daemon in a program.
class CountingTransport final : public platform::DesktopTransport {
 public:
  CountingTransport(std::unique_ptr<platform::DesktopTransport> transport, std::int64_t& count)
      : transport_(std::move(transport)), count_(&count) {}

  void setEventHandler(std::function<void(const platform::DesktopEvent&)> handler) override {
    transport_->setEventHandler(std::move(handler));
  }
  std::optional<platform::ProgramReply> send(const platform::ProgramRequest& request) override {
    ++*count_;
    return transport_->send(request);
  }

 private:
  std::unique_ptr<platform::DesktopTransport> transport_;
  std::int64_t* count_;
};

// The launcher and a running target on an in-process emulated desktop, the target in front. The
// launcher's requests to the desktop are counted.
struct FrontmostTarget {
  explicit FrontmostTarget(const fs::path& folder)
      : files(folder, folder),
        paths(folder),
        processes(paths, {}),
        launcherConnection(
            std::make_unique<platform::DesktopConnection>(std::make_unique<CountingTransport>(
                std::make_unique<platform::InProcessTransport>(desktop, loop), launcherRequests))),
        targetConnection(desktop.connect(loop)),
        target(*targetConnection, *targetConnection, *targetConnection, loop,
               platform::ApplicationIdentity{2001, "app.ferrolin.desktop", std::nullopt,
                                             std::nullopt}),
        controller(launcher::LauncherConfig{"Ferrolin",
                                            "app.ferrolin.desktop",
                                            "1.0.0",
                                            "https://ferrolin.example",
                                            {"command+option+b"}},
                   *launcherConnection, files,
                   platform::Bundle::forExecutable(folder / "Ferrolin Launcher.app" / "Contents" /
                                                   "MacOS" / "Ferrolin Launcher"),
                   processes, paths, loop) {
    target.finishLaunching();
    loop.runUntilIdle();
  }

  platform::FileManager files;
  platform::SystemPaths paths;
  platform::ProcessLauncher processes;
  platform::EmulatedDesktop desktop;
  platform::PollEventLoop loop;
  std::int64_t launcherRequests = 0;
  std::unique_ptr<platform::DesktopConnection> launcherConnection;
  std::unique_ptr<platform::DesktopConnection> targetConnection;
  platform::Application target;
  launcher::TargetAppController controller;
};

// A press of the shortcut while the target is in front: the decision, then the command trigger.
void toggleOfAFrontmostTarget(benchmark::State& state) {
  const ScratchFolder folder;
  FrontmostTarget scene(folder.path());
  const fs::path trigger = folder.path() / launcher::commandTriggerFilename;
  scene.controller.toggleTargetApp("com.quorrel.launcher");
  if (scene.files.contentsOfFile(trigger) != "hide") {
    state.SkipWithError("the toggle did not write the hide command");
    return;
  }
  scene.launcherRequests = 0;
  for ([[maybe_unused]] auto _ : state) {
    scene.controller.toggleTargetApp("com.quorrel.launcher");
  }
  state.counters["requests_per_press"] = benchmark::Counter(
      static_cast<double>(scene.launcherRequests), benchmark::Counter::kAvgIterations);
}
BENCHMARK(toggleOfAFrontmostTarget);

// A press of the shortcut while the target is hidden (by the desktop, before each press): the
// decision, the show command, and the requests that bring the target forward.
void toggleOfAHiddenTarget(benchmark::State& state) {
  const ScratchFolder folder;
  FrontmostTarget scene(folder.path());
  for ([[maybe_unused]] auto _ : state) {
    scene.desktop.hideApplication(2001);
    scene.controller.toggleTargetApp("com.quorrel.launcher");
  }
  if (scene.desktop.frontmostApplication() != 2001) {
    state.SkipWithError("the toggle did not show the target");
  }
  state.counters["requests_per_press"] = benchmark::Counter(
      static_cast<double>(scene.launcherRequests), benchmark::Counter::kAvgIterations);
}
BENCHMARK(toggleOfAHiddenTarget);

// The same 4 bytes written atomically in the same folder, without the decision: the floor for the
// toggle above.
void bareCommandTriggerWrite(benchmark::State& state) {
  const ScratchFolder folder;
  const platform::FileManager files(folder.path(), folder.path());
  const fs::path trigger = folder.path() / launcher::commandTriggerFilename;
  for ([[maybe_unused]] auto _ : state) {
    auto written = files.writeAtomically(trigger, "hide");
    benchmark::DoNotOptimize(written);
  }
}
BENCHMARK(bareCommandTriggerWrite);

// Shortcut texts as they come from the settings file, the configuration and the capture view:
// valid ones in several spellings and invalid ones of every kind.
constexpr std::array<std::string_view, 16> shortcutCorpus{
    "command+option+b",
    "Command+Shift+Space",
    "control+option+command+return",
    " cmd + alt + 5 ",
    "shift+escape",
    "option+enter",
    "COMMAND+CONTROL+Z",
    "command+option+b+c",
    "",
    "+",
    "command+",
    "command+option",
    "hyper+q",
    "command++b",
    "command+option+f13",
    "a very long text that is no shortcut at all, with no plus in it anywhere",
};

void parseHotkeyOverAMixedCorpus(benchmark::State& state) {
  std::int64_t parsed = 0;
  for ([[maybe_unused]] auto _ : state) {
    for (const std::string_view text : shortcutCorpus) {
      auto hotkey = launcher::parseHotkey(text);
      benchmark::DoNotOptimize(hotkey);
    }
    parsed += static_cast<std::int64_t>(shortcutCorpus.size());
  }
  state.SetItemsProcessed(parsed);
}
BENCHMARK(parseHotkeyOverAMixedCorpus);

// The settings window on an in-process desktop with two screens.
struct SettingsScene {
  SettingsScene() {
    if (!desktop.setScreens({{"Built-in Display", 1, {0, 0, 1512, 982}, 2.0},
                             {"Studio Display", 2, {-2560, 0, 2560, 1440}, 2.0}})) {
      throw std::runtime_error("the desktop refused the bench's screens");
    }
    application.finishLaunching();
    loop.runUntilIdle();
  }

  std::shared_ptr<launcher::SettingsWindowController> makeController() {
    return std::make_shared<launcher::SettingsWindowController>(
        [](const launcher::LauncherSettings&) { return std::optional<std::string>(); }, [] {},
        [](const launcher::UpdateChecker::Completion&) {}, [] { return true; }, application,
        *connection);
  }

  platform::EmulatedDesktop desktop;
  platform::PollEventLoop loop;
  std::unique_ptr<platform::DesktopConnection> connection = desktop.connect(loop);
  platform::Application application{
      *connection, *connection, *connection, loop,
      platform::ApplicationIdentity{2002, "com.quorrel.launcher", std::nullopt, std::nullopt}};
};

const launcher::LauncherSettings storedSettings{"command+option+b", false, "en", "primary"};

// "Settings" chosen for the first time: the controller and its window built, filled, shown and
// published to the desktop.
void settingsWindowFirstShow(benchmark::State& state) {
  SettingsScene scene;
  for ([[maybe_unused]] auto _ : state) {
    const auto controller = scene.makeController();
    controller->show(storedSettings, std::nullopt);
    scene.loop.runUntilIdle();
  }
}
BENCHMARK(settingsWindowFirstShow);

// A language chosen in the pop-up: texts, both layout passes, the display options rebuilt, and
// the window published again.
void settingsWindowLanguageChange(benchmark::State& state) {
  SettingsScene scene;
  const auto controller = scene.makeController();
  controller->show(storedSettings, std::nullopt);
  scene.loop.runUntilIdle();
  bool german = false;
  for ([[maybe_unused]] auto _ : state) {
    german = !german;
    if (!scene.desktop.select(german ? "Deutsch" : "English")) {
      state.SkipWithError("no language pop-up on screen");
      return;
    }
    scene.loop.runUntilIdle();
  }
}
BENCHMARK(settingsWindowLanguageChange);

// `desktopctl screenshot` of the whole screen (3024 by 1964 pixels) with the settings window open:
// the picture drawn, and drawn then encoded as PNG.
void screenshotWithSettingsWindow(benchmark::State& state) {
  SettingsScene scene;
  const auto controller = scene.makeController();
  controller->show(storedSettings, std::nullopt);
  scene.loop.runUntilIdle();
  const desktop::ScreenScene screen = scene.desktop.scene();
  const bool encode = state.range(0) != 0;
  for ([[maybe_unused]] auto _ : state) {
    const auto picture = desktop::ScreenPicture::draw(screen, {});
    if (!picture) {
      state.SkipWithError("the screen could not be drawn");
      return;
    }
    if (encode) {
      benchmark::DoNotOptimize(picture->png());
    }
  }
}
BENCHMARK(screenshotWithSettingsWindow)
    ->ArgName("png")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
