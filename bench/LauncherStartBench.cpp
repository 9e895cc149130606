// The launcher as a program on a real emulated desktop, side by side with the stand-in
// Ferrolin.app: how long each takes from process start until it is ready (Ferrolin checked in, the
// launcher's hot key registered), their resident memory once started, what the launcher does
// while idle, its resident memory over a thousand update checks and what a check costs, and the
// latency a user feels from a key press until Ferrolin is shown or hidden.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "ScratchFolder.h"
#include "platform/DesktopChannel.h"
#include "platform/HttpSession.h"
#include "platform/Url.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path binFolder = FERROLIN_BIN_DIR;
const fs::path bundlesFolder = FERROLIN_BUNDLES_DIR;

// Starts a program with the bench's environment, its standard output going to `output` and its
// standard error to `errors` when given; its pid, or nothing.
std::optional<pid_t> spawn(const fs::path& program, const std::vector<std::string>& arguments,
                           const std::optional<fs::path>& output = std::nullopt,
                           const fs::path& errors = "/dev/null") {
  std::vector<std::string> words{program.string()};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (std::string& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  if (output) {
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output->c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0600);
  }
  ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  const int spawned =
      ::posix_spawnp(&pid, words[0].c_str(), &actions, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? std::optional(pid) : std::nullopt;
}

int runToEnd(const fs::path& program, const std::vector<std::string>& arguments) {
  const std::optional<pid_t> pid = spawn(program, arguments);
  int status = 0;
  if (!pid || ::waitpid(*pid, &status, 0) != *pid || !WIFEXITED(status)) {
    return -1;
  }
  return WEXITSTATUS(status);
}

void stop(pid_t pid) {
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
}

// A value in kB from /proc/<pid>/status ("VmRSS", "voluntary_ctxt_switches", ...).
long statusField(const fs::path& statusFile, const std::string& field) {
  std::ifstream in(statusFile);
  std::string line;
  while (std::getline(in, line)) {
    if (line.starts_with(field + ":")) {
      return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    }
  }
  return 0;
}

// Context switches of every thread of the process: each wake-up of a sleeping thread is one.
long contextSwitches(pid_t pid) {
  long total = 0;
  std::error_code error;
  for (const auto& task :
       fs::directory_iterator(fs::path("/proc") / std::to_string(pid) / "task", error)) {
    total += statusField(task.path() / "status", "voluntary_ctxt_switches") +
             statusField(task.path() / "status", "nonvoluntary_ctxt_switches");
  }
  return total;
}

// System calls the process's threads enter in `seconds`, counted by perf's tracepoint (no
// ptrace, so the count is not disturbed); nothing when perf cannot count here.
std::optional<long> systemCalls(pid_t pid, int seconds, const fs::path& folder) {
  const fs::path output = folder / "perf.txt";
  if (runToEnd("perf", {"stat", "-x,", "-e", "raw_syscalls:sys_enter", "-p", std::to_string(pid),
                        "-o", output.string(), "sleep", std::to_string(seconds)}) != 0) {
    return std::nullopt;
  }
  std::ifstream in(output);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find("raw_syscalls:sys_enter") != std::string::npos) {
      // "<not counted>" means no thread of the process ran at all.
      return line.starts_with("<not counted>") ? 0 : std::strtol(line.c_str(), nullptr, 10);
    }
  }
  return std::nullopt;
}

// An emulated desktop in a scratch folder, with the product's web service stand-in publishing the
// installed version, and the launcher configured to ask it. The bench's own environment is the
// desktop's, so every program started here runs on it.
class Desktop {
 public:
  Desktop() {
    fs::create_directories(folder_.path() / "home");
    fs::create_directories(folder_.path() / "tmp");
    ::setenv("EMULATED_DESKTOP", (folder_.path() / "desktop").c_str(), 1);
    ::setenv("HOME", (folder_.path() / "home").c_str(), 1);
    ::setenv("TMPDIR", (folder_.path() / "tmp").c_str(), 1);
    if (runToEnd(binFolder / "desktopctl", {"start"}) != 0 || !startService()) {
      return;
    }
    auto channel = platform::DesktopChannel::connect(
        platform::DesktopChannel::socketPath(folder_.path() / "desktop"));
    if (channel) {
      channel_.emplace(std::move(*channel));
    }
  }
  ~Desktop() {
    channel_.reset();
    runToEnd(binFolder / "desktopctl", {"stop"});
    if (service_) {
      ::kill(*service_, SIGTERM);
      ::waitpid(*service_, nullptr, 0);
    }
    // The next desktop makes its scratch folder where this one's was made.
    ::setenv("TMPDIR", folder_.path().parent_path().c_str(), 1);
  }
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;
  Desktop(Desktop&&) = delete;
  Desktop& operator=(Desktop&&) = delete;

  bool ready() const { return channel_.has_value(); }
  const fs::path& folder() const { return folder_.path(); }
  // "http://127.0.0.1:<port>" of the web service.
  const std::string& origin() const { return origin_; }

  // Asks the daemon; false when it refused or could not be reached.
  bool request(const std::string& op, const nlohmann::json& fields) {
    return channel_ && channel_->request(op, fields).has_value();
  }

  // The daemon's answer; null when it refused or could not be asked.
  nlohmann::json answer(const std::string& op,
                        const nlohmann::json& fields = nlohmann::json::object()) {
    if (!channel_) {
      return nullptr;
    }
    auto answered = channel_->request(op, fields);
    return answered ? std::move(*answered) : nlohmann::json();
  }

  // The screen as the daemon describes it; null when it could not be asked.
  nlohmann::json screen() { return answer("show").value("screen", nlohmann::json()); }

  // Update checks the service has answered so far (it logs one line per request it answered).
  int answeredChecks() const {
    std::ifstream log(folder_.path() / "service.log");
    std::string line;
    int count = 0;
    while (std::getline(log, line)) {
      count += line.starts_with("GET /api/app/latest-version ") ? 1 : 0;
    }
    return count;
  }

  // Blocks until the desktop's condition holds (see `desktopctl wait`).
  bool wait(const std::string& what, const std::string& name) {
    return channel_ &&
           channel_->request("wait", {{"what", what}, {"name", name}, {"timeout", 60}}).has_value();
  }

 private:
  bool startService() {
    const fs::path address = folder_.path() / "service-address";
    service_ = spawn(binFolder / "webservice", {"--version", "1.0.0"}, address,
                     folder_.path() / "service.log");
    if (!service_) {
      return false;
    }
    for (int attempt = 0; attempt < 500 && origin_.empty(); ++attempt) {
      std::this_thread::sleep_for(10ms);
      std::ifstream(address) >> origin_;
    }
    std::ofstream(folder_.path() / "launcher-config.json")
        << nlohmann::json{{"targetAppName", "Ferrolin"},
                          {"bundleIdentifier", "app.ferrolin.desktop"},
                          {"currentVersion", "1.0.0"},
                          {"apiOrigin", origin_},
                          {"hotkeys", {"command+option+b"}}};
    ::setenv("QUORREL_LAUNCHER_CONFIG", (folder_.path() / "launcher-config.json").c_str(), 1);
    return !origin_.empty();
  }

  ScratchFolder folder_;
  std::string origin_;
  std::optional<pid_t> service_;
  std::optional<platform::DesktopChannel> channel_;
};

const fs::path ferrolinExecutable = bundlesFolder / "Ferrolin.app/Contents/MacOS/Ferrolin";
const fs::path launcherExecutable =
    bundlesFolder / "Ferrolin Launcher.app/Contents/MacOS/Ferrolin Launcher";

// Process start until the program is ready on the desktop, then its resident memory.
void startUntilReady(benchmark::State& state, const fs::path& executable, const std::string& what,
                     const std::string& name, const std::string& bundleIdentifier) {
  Desktop desktop;
  if (!desktop.ready()) {
    state.SkipWithError("the emulated desktop did not start");
    return;
  }
  long residentKiB = 0;
  for ([[maybe_unused]] auto _ : state) {
    const auto started = std::chrono::steady_clock::now();
    const std::optional<pid_t> pid = spawn(executable, {});
    if (!pid || !desktop.wait(what, name)) {
      state.SkipWithError("the program did not get ready");
      return;
    }
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    residentKiB = std::max(
        residentKiB, statusField(fs::path("/proc") / std::to_string(*pid) / "status", "VmRSS"));
    stop(*pid);
    desktop.wait("gone", bundleIdentifier);
  }
  state.counters["RSS_KiB"] = static_cast<double>(residentKiB);
}

void ferrolinStandInStart(benchmark::State& state) {
  startUntilReady(state, ferrolinExecutable, "app", "app.ferrolin.desktop", "app.ferrolin.desktop");
}
BENCHMARK(ferrolinStandInStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void launcherStartUntilHotKeyRegistered(benchmark::State& state) {
  startUntilReady(state, launcherExecutable, "hotkey", "command+option+b", "com.quorrel.launcher");
}
BENCHMARK(launcherStartUntilHotKeyRegistered)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// The launcher left alone for 10 seconds after its start (and its update check) settled: the
// wake-ups of its threads and the system calls they make.
void launcherIdleForTenSeconds(benchmark::State& state) {
  Desktop desktop;
  if (!desktop.ready()) {
    state.SkipWithError("the emulated desktop did not start");
    return;
  }
  for ([[maybe_unused]] auto _ : state) {
    const std::optional<pid_t> pid = spawn(launcherExecutable, {});
    if (!pid || !desktop.wait("hotkey", "command+option+b")) {
      state.SkipWithError("the launcher did not get ready");
      return;
    }
    std::this_thread::sleep_for(1s);
    const long before = contextSwitches(*pid);
    const std::optional<long> calls = systemCalls(*pid, 10, desktop.folder());
    if (!calls) {
      std::this_thread::sleep_for(10s);
    }
    state.counters["wakeups"] = static_cast<double>(contextSwitches(*pid) - before);
    state.counters["syscalls"] = calls ? static_cast<double>(*calls) : -1.0;
    const fs::path status = fs::path("/proc") / std::to_string(*pid) / "status";
    state.counters["RSS_KiB"] = static_cast<double>(statusField(status, "VmRSS"));
    // Of which the process's own memory; the rest are pages of the shared libraries.
    state.counters["private_KiB"] = static_cast<double>(statusField(status, "RssAnon"));
    stop(*pid);
  }
}
BENCHMARK(launcherIdleForTenSeconds)->Unit(benchmark::kSecond)->Iterations(1);

// Whether the view with that identifier, anywhere in a described screen, is enabled; nothing
// when it is not on screen.
std::optional<bool> enabledOf(const nlohmann::json& node, const std::string& identifier) {
  if (node.is_object() && node.value("identifier", "") == identifier) {
    return node.value("enabled", false);
  }
  if (node.is_structured()) {
    for (const nlohmann::json& child : node) {
      if (std::optional<bool> enabled = enabledOf(child, identifier)) {
        return enabled;
      }
    }
  }
  return std::nullopt;
}

// Polls every millisecond until the condition holds; false after a minute.
template <typename Condition>
bool waitUntil(Condition condition) {
  const auto giveUp = std::chrono::steady_clock::now() + 60s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > giveUp) {
      return false;
    }
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// The launcher's resident memory over its update checks against the local web service: when its
// hot key is registered (its first check just started), right after the service answered that
// check and a second later, then over a thousand checks started one after another with the
// settings window's Check Now button (disabled while a check runs): a second after the tenth and
// after the last, and the peak.
void launcherMemoryOverUpdateChecks(benchmark::State& state) {
  constexpr int checkCount = 1000;
  Desktop desktop;
  if (!desktop.ready()) {
    state.SkipWithError("the emulated desktop did not start");
    return;
  }
  for ([[maybe_unused]] auto _ : state) {
    const std::optional<pid_t> pid = spawn(launcherExecutable, {});
    if (!pid || !desktop.wait("hotkey", "command+option+b")) {
      state.SkipWithError("the launcher did not get ready");
      return;
    }
    const fs::path status = fs::path("/proc") / std::to_string(*pid) / "status";
    const auto resident = [&] { return static_cast<double>(statusField(status, "VmRSS")); };
    state.counters["RSS_KiB_at_start"] = resident();
    if (!waitUntil([&] { return desktop.answeredChecks() >= 1; })) {
      state.SkipWithError("the launcher's first check was not answered");
      return;
    }
    state.counters["RSS_KiB_first_check_answered"] = resident();
    std::this_thread::sleep_for(1s);
    state.counters["RSS_KiB_1s_after_first_check"] = resident();

    if (!desktop.request("menu", {{"item", "Settings"}}) ||
        !waitUntil([&] { return enabledOf(desktop.screen(), "checkUpdatesButton") == true; })) {
      state.SkipWithError("the settings window did not open");
      return;
    }
    const auto started = std::chrono::steady_clock::now();
    for (int check = 1; check <= checkCount; ++check) {
      const int answered = desktop.answeredChecks();
      // The window takes clicks once it is the key window, a moment after it is shown, and the
      // screen may still show the button enabled while the previous check ends: a click that
      // started no check within half a second is repeated.
      auto clicked = std::chrono::steady_clock::time_point();
      if (!waitUntil([&] {
            if (desktop.answeredChecks() > answered) {
              return enabledOf(desktop.screen(), "checkUpdatesButton") == true;
            }
            if (std::chrono::steady_clock::now() - clicked > 500ms) {
              desktop.request("click", {{"target", "checkUpdatesButton"}});
              clicked = std::chrono::steady_clock::now();
            }
            return false;
          })) {
        state.SkipWithError("a check did not end");
        return;
      }
      if (check == 10) {
        std::this_thread::sleep_for(1s);
        state.counters["RSS_KiB_1s_after_10_checks"] = resident();
      }
    }
    state.counters["checks_per_s"] =
        (checkCount - 10) /
        (std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() - 1);
    std::this_thread::sleep_for(1s);
    state.counters["RSS_KiB_1s_after_1000_checks"] = resident();
    state.counters["RSS_KiB_peak"] = static_cast<double>(statusField(status, "VmHWM"));
    stop(*pid);
  }
}
BENCHMARK(launcherMemoryOverUpdateChecks)->Unit(benchmark::kSecond)->Iterations(1);

// What the launcher's update check costs its caller, the network library running in a helper
// process: the parse of the service's address, and one request to the service from start until its
// completion ran.
void updateCheckUrlParse(benchmark::State& state) {
  for ([[maybe_unused]] auto _ : state) {
    benchmark::DoNotOptimize(platform::Url::parse("http://127.0.0.1:8080/api/app/latest-version"));
  }
}
BENCHMARK(updateCheckUrlParse)->Unit(benchmark::kMillisecond);

void updateCheckRequest(benchmark::State& state) {
  Desktop desktop;
  const std::optional<platform::Url> url =
      platform::Url::parse(desktop.origin() + "/api/app/latest-version");
  if (!desktop.ready() || !url) {
    state.SkipWithError("the web service did not start");
    return;
  }
  platform::HttpSession session;
  for ([[maybe_unused]] auto _ : state) {
    std::promise<bool> answered;
    session.startDataTask(platform::HttpRequest{*url},
                          [&answered](const std::optional<std::string>& data,
                                      const std::optional<platform::HttpResponse>& /*response*/,
                                      const std::optional<platform::Error>& /*error*/) {
                            answered.set_value(data.has_value());
                          });
    if (!answered.get_future().get()) {
      state.SkipWithError("the web service did not answer");
      return;
    }
  }
}
BENCHMARK(updateCheckRequest)->Unit(benchmark::kMillisecond);

// The value below which `share` of the sorted values lie, in milliseconds.
double percentile(std::vector<double> values, double share) {
  if (values.empty()) {
    return -1;
  }
  std::ranges::sort(values);
  const auto rank = static_cast<std::size_t>(std::ceil(share * static_cast<double>(values.size())));
  return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// What the user feels: from the key press (as `desktopctl press` makes it) until Ferrolin is shown
// or hidden on the desktop, across desktopd, the launcher and the stand-in Ferrolin, over a few
// hundred presses that alternately hide and show the running Ferrolin. The daemon itself tells
// when Ferrolin is shown or hidden (a `wait`, answered the moment its state changes), so the bench
// adds no polling; it sees the change at most one round trip late (look_ms, a wait that holds at
// once).
void pressToPicture(benchmark::State& state) {
  constexpr int pressCount = 400;
  const std::string ferrolin = "app.ferrolin.desktop";
  Desktop desktop;
  if (!desktop.ready()) {
    state.SkipWithError("the emulated desktop did not start");
    return;
  }
  const std::optional<pid_t> pid = spawn(launcherExecutable, {});
  const nlohmann::json press = {{"shortcut", "command+option+b"}};
  // The first press starts Ferrolin; the measured ones find it running.
  if (!pid || !desktop.wait("hotkey", "command+option+b") || !desktop.request("press", press) ||
      !desktop.wait("shown", ferrolin)) {
    state.SkipWithError("the launcher did not start Ferrolin");
    return;
  }
  std::vector<double> shows;
  std::vector<double> hides;
  for ([[maybe_unused]] auto _ : state) {
    for (int index = 0; index < pressCount; ++index) {
      const bool hiding = index % 2 == 0;
      const auto pressed = std::chrono::steady_clock::now();
      if (!desktop.request("press", press) ||
          !desktop.wait(hiding ? "hidden" : "shown", ferrolin)) {
        state.SkipWithError("a press did not toggle Ferrolin");
        break;
      }
      (hiding ? hides : shows).push_back(millisecondsSince(pressed));
      // A user's presses are apart; the launcher and Ferrolin settle in between.
      std::this_thread::sleep_for(20ms);
    }
  }
  std::vector<double> looks;
  for (int index = 0; index < 200; ++index) {
    const auto asked = std::chrono::steady_clock::now();
    desktop.wait("app", ferrolin);
    looks.push_back(millisecondsSince(asked));
  }
  std::vector<double> all = shows;
  all.insert(all.end(), hides.begin(), hides.end());
  state.counters["p50_ms"] = percentile(all, 0.5);
  state.counters["p99_ms"] = percentile(all, 0.99);
  state.counters["show_p50_ms"] = percentile(shows, 0.5);
  state.counters["show_p99_ms"] = percentile(shows, 0.99);
  state.counters["hide_p50_ms"] = percentile(hides, 0.5);
  state.counters["hide_p99_ms"] = percentile(hides, 0.99);
  state.counters["max_ms"] = percentile(all, 1);
  state.counters["look_ms"] = percentile(looks, 0.5);
  stop(*pid);
}
BENCHMARK(pressToPicture)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
