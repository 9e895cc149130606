#include "Launchd.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <system_error>
#include <thread>
#include <utility>

#include <nlohmann/json.hpp>

#include "platform/PropertyList.h"

namespace desktop {
namespace {

// The code of "the file isn’t in the correct format".
constexpr int fileReadCorruptFile = 259;

// How long a kickstart with -k waits for the stopped program to end before it starts the next.
constexpr std::chrono::seconds stopLimit{5};

std::unexpected<platform::Error> notAnAgent(const std::filesystem::path& path,
                                            const std::string& why) {
  return std::unexpected(platform::Error{
      platform::errorDomain::file, fileReadCorruptFile,
      "The file “" + path.filename().string() + "” is not a launch agent: " + why + "."});
}

std::unexpected<LaunchdFailure> failure(int status, std::string message) {
  return std::unexpected(LaunchdFailure{status, std::move(message)});
}

std::unexpected<LaunchdFailure> bootstrapFailure(const std::string& detail) {
  return failure(launchdStatus::inputOutputError,
                 "Bootstrap failed: 5: Input/output error\n" + detail);
}

std::unexpected<LaunchdFailure> serviceNotFound(const std::string& label) {
  return failure(launchdStatus::serviceNotFound,
                 "Could not find service \"" + label +
                     "\" in domain for user gui: " + std::to_string(::getuid()));
}

bool isStringArray(const nlohmann::json& value) {
  return value.is_array() && std::ranges::all_of(value, [](const nlohmann::json& element) {
           return element.is_string();
         });
}

}  // namespace

platform::Result<LaunchAgent> readLaunchAgent(const std::filesystem::path& path) {
  auto contents = platform::readPropertyList(path);
  if (!contents) {
    return std::unexpected(std::move(contents.error()));
  }
  const nlohmann::json& root = *contents;
  if (!root.is_object()) {
    return notAnAgent(path, "it does not hold a dictionary");
  }
  LaunchAgent agent;
  agent.path = path.lexically_normal();

  const auto label = root.find("Label");
  if (label == root.end() || !label->is_string() || label->get_ref<const std::string&>().empty()) {
    return notAnAgent(path, "it has no Label");
  }
  agent.label = label->get<std::string>();

  if (const auto arguments = root.find("ProgramArguments"); arguments != root.end()) {
    if (!isStringArray(*arguments) || arguments->empty()) {
      return notAnAgent(path, "its ProgramArguments is not a list of strings");
    }
    agent.programArguments = arguments->get<std::vector<std::string>>();
  } else if (const auto program = root.find("Program");
             program != root.end() && program->is_string()) {
    agent.programArguments = {program->get<std::string>()};
  } else {
    return notAnAgent(path, "it has neither ProgramArguments nor Program");
  }

  if (const auto runAtLoad = root.find("RunAtLoad"); runAtLoad != root.end()) {
    if (!runAtLoad->is_boolean()) {
      return notAnAgent(path, "its RunAtLoad is not a boolean");
    }
    agent.runAtLoad = runAtLoad->get<bool>();
  }
  return agent;
}

Launchd::Launchd(Services services) : services_(std::move(services)) {}

std::expected<void, LaunchdFailure> Launchd::bootstrap(const std::filesystem::path& agentFile) {
  auto agent = readLaunchAgent(agentFile);
  if (!agent) {
    return bootstrapFailure(agent.error().localizedDescription);
  }
  if (agents_.contains(agent->label)) {
    return bootstrapFailure("The service \"" + agent->label + "\" is already loaded.");
  }
  load(std::move(*agent));
  return {};
}

std::expected<void, LaunchdFailure> Launchd::bootout(const std::filesystem::path& agentFile) {
  auto loaded = agents_.end();
  if (const auto agent = readLaunchAgent(agentFile)) {
    loaded = agents_.find(agent->label);
  }
  if (loaded == agents_.end()) {
    const std::filesystem::path path = agentFile.lexically_normal();
    loaded = std::ranges::find_if(
        agents_, [&](const auto& entry) { return entry.second.agent.path == path; });
  }
  if (loaded == agents_.end()) {
    return failure(launchdStatus::noSuchProcess, "Boot-out failed: 3: No such process");
  }
  stopProgram(loaded->second);
  agents_.erase(loaded);
  return {};
}

std::expected<pid_t, LaunchdFailure> Launchd::kickstart(const std::string& label, bool kill) {
  const auto found = agents_.find(label);
  if (found == agents_.end()) {
    return serviceNotFound(label);
  }
  LoadedAgent& loaded = found->second;
  if (const auto pid = runningPid(loaded)) {
    if (!kill) {
      return *pid;
    }
    stopProgram(loaded);
    // The new program starts only once the old one has gone: one that still ran would see it and
    // leave, as the launcher does when another launcher runs.
    const auto deadline = std::chrono::steady_clock::now() + stopLimit;
    while (services_.isRunning(*pid) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  auto started = startProgram(loaded);
  if (!started) {
    return failure(launchdStatus::failed, "Kickstart of \"" + label +
                                              "\" failed: " + started.error().localizedDescription);
  }
  return *started;
}

std::expected<LoadedAgent, LaunchdFailure> Launchd::print(const std::string& label) const {
  const auto found = agents_.find(label);
  if (found == agents_.end()) {
    return serviceNotFound(label);
  }
  return LoadedAgent{found->second.agent, runningPid(found->second)};
}

std::vector<LoadedAgent> Launchd::agents() const {
  std::vector<LoadedAgent> result;
  result.reserve(agents_.size());
  for (const auto& [label, loaded] : agents_) {
    result.push_back(LoadedAgent{loaded.agent, runningPid(loaded)});
  }
  return result;
}

std::vector<std::string> Launchd::login(const std::filesystem::path& launchAgentsFolder) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (std::filesystem::directory_iterator it(launchAgentsFolder, error), end; !error && it != end;
       it.increment(error)) {
    if (it->path().extension() == ".plist" && it->is_regular_file(error)) {
      files.push_back(it->path());
    }
  }
  std::ranges::sort(files);

  std::vector<std::string> labels;
  for (const std::filesystem::path& file : files) {
    auto agent = readLaunchAgent(file);
    if (!agent || !agent->runAtLoad || agents_.contains(agent->label)) {
      continue;
    }
    labels.push_back(agent->label);
    load(std::move(*agent));
  }
  return labels;
}

void Launchd::logout() {
  for (auto& [label, loaded] : agents_) {
    stopProgram(loaded);
  }
  agents_.clear();
}

void Launchd::load(LaunchAgent agent) {
  const std::string label = agent.label;
  const bool runAtLoad = agent.runAtLoad;
  LoadedAgent& loaded =
      agents_.insert_or_assign(label, LoadedAgent{std::move(agent), {}}).first->second;
  if (runAtLoad) {
    // A program that cannot start leaves the agent loaded and idle, as launchd does.
    [[maybe_unused]] const platform::Result<pid_t> started = startProgram(loaded);
  }
}

std::optional<pid_t> Launchd::runningPid(const LoadedAgent& loaded) const {
  if (loaded.pid && services_.isRunning(*loaded.pid)) {
    return loaded.pid;
  }
  return std::nullopt;
}

void Launchd::stopProgram(LoadedAgent& loaded) const {
  if (const auto pid = runningPid(loaded)) {
    services_.stop(*pid);
  }
  loaded.pid.reset();
}

platform::Result<pid_t> Launchd::startProgram(LoadedAgent& loaded) const {
  const std::vector<std::string>& argv = loaded.agent.programArguments;
  auto pid =
      services_.start(argv.front(), std::vector<std::string>(std::next(argv.begin()), argv.end()));
  loaded.pid = pid ? std::optional(*pid) : std::nullopt;
  return pid;
}

}  // namespace desktop
