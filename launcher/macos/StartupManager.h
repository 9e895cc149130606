#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Bundle.h"
#include "platform/Error.h"
#include "platform/FileManager.h"
#include "platform/ProcessInfo.h"
#include "platform/ProcessLauncher.h"

namespace launcher {

// Start at login through a per-user launch agent in ~/Library/LaunchAgents. "On" means the agent
// file holds exactly the text this launcher writes for itself; turning it on writes the file and
// loads it into the user's GUI session with "/bin/launchctl", turning it off only deletes the file.
// The file and the runner are the suite's shared ones (suite/LaunchAgent.h, suite/Launchctl.h).
// Main thread only: each launchctl run is awaited, for at most the time limit it was given.
class StartupManager {
 public:
  // launcherBundle names the program the agent starts; launchctlTimeLimit bounds each launchctl
  // run (a run still going then is ended and fails); process gives the real user id.
  explicit StartupManager(const platform::FileManager& files, platform::Bundle launcherBundle,
                          const platform::ProcessLauncher& processes,
                          std::chrono::milliseconds launchctlTimeLimit,
                          const platform::ProcessInfo& process);

  // ~/Library/LaunchAgents and the agent file in it.
  std::filesystem::path launchAgentsDirectory() const;
  std::filesystem::path plistURL() const;

  // Whether the agent file holds exactly the text this launcher writes (an empty or damaged file,
  // or one naming another program, does not count); what launchd has loaded is not consulted.
  bool isEnabled() const;

  // Off removes the agent file, whatever it holds; on writes and loads it unless it is on already.
  platform::Result<void> setEnabled(bool enabled) const;

 private:
  // The launcher's executable, which the agent starts; empty when the bundle names none.
  std::filesystem::path programPath() const;
  platform::Result<void> installAndLoad() const;
  platform::Result<void> unloadAndRemove() const;
  // Runs "/bin/launchctl" and waits for it, within the time limit. A tool that cannot be started or
  // does not end in time is always an error; a non-zero exit status is one unless failures are
  // allowed.
  platform::Result<void> runLaunchctl(const std::vector<std::string>& arguments,
                                      bool allowFailure = false) const;
  // "gui/" and the real user id.
  std::string userDomain() const;

  const platform::FileManager* files_;          // not owned
  platform::Bundle launcherBundle_;             // a plain value
  const platform::ProcessLauncher* processes_;  // not owned
  std::chrono::milliseconds launchctlTimeLimit_;
  const platform::ProcessInfo* process_;  // not owned
};

}  // namespace launcher
