#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Bundle.h"
#include "platform/Error.h"
#include "platform/FileManager.h"
#include "platform/ProcessInfo.h"
#include "platform/ProcessLauncher.h"
#include "suite/LaunchAgent.h"

namespace launcher {

// Start at login through a per-user launch agent in ~/Library/LaunchAgents. "On" means the agent
// file exists; turning it on writes the file and loads it into the user's GUI session with
// "/bin/launchctl", turning it off only deletes the file. The file and the runner are the suite's
// shared ones (suite/LaunchAgent.h, suite/Launchctl.h). Main thread only: launchctl is awaited.
class StartupManager {
 public:
  static constexpr std::string_view launchAgentIdentifier = suite::launchAgentLabel;

  // launcherBundle names the program the agent starts; process gives the real user id.
  explicit StartupManager(const platform::FileManager& files, platform::Bundle launcherBundle,
                          const platform::ProcessLauncher& processes,
                          const platform::ProcessInfo& process);

  // ~/Library/LaunchAgents and the agent file in it.
  std::filesystem::path launchAgentsDirectory() const;
  std::filesystem::path plistURL() const;

  // Whether the agent file exists; what launchd has loaded is not consulted.
  bool isEnabled() const;

  // Off removes the agent file; on writes and loads it unless the file is already there.
  platform::Result<void> setEnabled(bool enabled) const;

 private:
  platform::Result<void> installAndLoad() const;
  platform::Result<void> unloadAndRemove() const;
  // Runs "/bin/launchctl" and waits for it. A tool that cannot be started is always an error; a
  // non-zero exit status is one unless failures are allowed.
  platform::Result<void> runLaunchctl(const std::vector<std::string>& arguments,
                                      bool allowFailure = false) const;
  // "gui/" and the real user id.
  std::string userDomain() const;

  const platform::FileManager* files_;          // not owned
  platform::Bundle launcherBundle_;             // a plain value
  const platform::ProcessLauncher* processes_;  // not owned
  const platform::ProcessInfo* process_;        // not owned
};

}  // namespace launcher
