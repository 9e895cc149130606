#pragma once

#include <sys/types.h>

#include <expected>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ControlRequest.h"
#include "platform/Error.h"

namespace desktop {

// A launch agent as its property-list file describes it.
struct LaunchAgent {
  std::string label;
  std::filesystem::path path;  // the agent file
  // The program and its arguments, argv[0] first: ProgramArguments, or else just Program.
  std::vector<std::string> programArguments;
  bool runAtLoad = false;
};

// Reads an agent file: a dictionary with a non-empty Label string, a non-empty ProgramArguments
// array of strings (or, without it, a Program string) and an optional RunAtLoad boolean. Otherwise
// the file error for reading, or an error in errorDomain::file with code 259 whose description says
// what is wrong.
platform::Result<LaunchAgent> readLaunchAgent(const std::filesystem::path& path);

// The exit statuses launchctl reports for launchd's refusals.
namespace launchdStatus {
inline constexpr int failed = 1;
inline constexpr int noSuchProcess = 3;      // "Boot-out failed: 3: No such process"
inline constexpr int inputOutputError = 5;   // "Bootstrap failed: 5: Input/output error"
inline constexpr int serviceNotFound = 113;  // "Could not find service ..."
}  // namespace launchdStatus

// Why launchd refused a request: the exit status launchctl reports, and its message, as the
// desktop answers its tools.
using LaunchdFailure = platform::ControlFailure;

// A loaded agent and its running program, if any.
struct LoadedAgent {
  LaunchAgent agent;
  std::optional<pid_t> pid;
};

// The user's launchd domain: the loaded agents and the programs they started. Main thread only.
class Launchd {
 public:
  // What launchd needs of the desktop: starting a program (argv[0] and the arguments after it) with
  // the desktop's environment, journalled; stopping one; and telling whether one still runs.
  struct Services {
    std::function<platform::Result<pid_t>(const std::string& program,
                                          const std::vector<std::string>& arguments)>
        start;
    std::function<void(pid_t)> stop;
    std::function<bool(pid_t)> isRunning;
  };

  explicit Launchd(Services services);

  // Loads the agent file and starts its program when RunAtLoad (a program that cannot be started
  // leaves the agent loaded without a pid, as launchd does). Status 5 when an agent with its label
  // is already loaded or the file cannot be read as an agent.
  std::expected<void, LaunchdFailure> bootstrap(const std::filesystem::path& agentFile);
  // Stops the agent's program and unloads it. Status 3 when no agent of that file (by its label,
  // else by its path, as when the file is gone) is loaded.
  std::expected<void, LaunchdFailure> bootout(const std::filesystem::path& agentFile);
  // Starts the agent's program unless it runs (then returns the running pid); with `kill`, stops a
  // running one first. Status 113 when no agent has that label, 1 when the program cannot start.
  std::expected<pid_t, LaunchdFailure> kickstart(const std::string& label, bool kill);
  // The loaded agent with its running pid. Status 113 when no agent has that label.
  std::expected<LoadedAgent, LaunchdFailure> print(const std::string& label) const;
  // Every loaded agent, by label, with the pids of the programs that still run.
  std::vector<LoadedAgent> agents() const;
  // Loads every agent file (*.plist, in name order) of the folder whose agent has RunAtLoad and is
  // not loaded yet, as a login does; files that are not agents are skipped. Returns the labels.
  std::vector<std::string> login(const std::filesystem::path& launchAgentsFolder);
  // Stops every agent's program and unloads every agent.
  void logout();

 private:
  // Keeps the agent loaded and starts its program when RunAtLoad.
  void load(LaunchAgent agent);
  std::optional<pid_t> runningPid(const LoadedAgent& loaded) const;
  void stopProgram(LoadedAgent& loaded) const;
  // Starts the agent's program and keeps its pid.
  platform::Result<pid_t> startProgram(LoadedAgent& loaded) const;

  Services services_;
  std::map<std::string, LoadedAgent> agents_;  // by label
};

}  // namespace desktop
