#include "suite/Launchctl.h"

namespace suite {

std::string guiDomain(uid_t userId) {
  return "gui/" + std::to_string(userId);
}

platform::Result<void> runLaunchctl(const platform::ProcessLauncher& processes,
                                    std::chrono::milliseconds timeLimit,
                                    const std::vector<std::string>& arguments, bool allowFailure,
                                    const LaunchctlFailure& failure) {
  const platform::Result<int> status = processes.run("/bin/launchctl", arguments, timeLimit);
  if (!status) {
    return std::unexpected(status.error());
  }
  if (*status == 0 || allowFailure) {
    return {};
  }
  return std::unexpected(platform::Error{failure.domain, *status, failure.description});
}

}  // namespace suite
