#include "platform/WorkspaceSnapshot.h"

#include <algorithm>

namespace platform {

WorkspaceSnapshot WorkspaceSnapshot::take(ApplicationServices& desktop) {
  WorkspaceSnapshot snapshot;
  snapshot.applications = desktop.runningApplications();
  snapshot.frontmost = desktop.frontmostApplication();
  return snapshot;
}

const RunningApplicationState* WorkspaceSnapshot::application(pid_t pid) const {
  const auto found = std::ranges::find(applications, pid, &RunningApplicationState::pid);
  return found == applications.end() ? nullptr : &*found;
}

const RunningApplicationState* WorkspaceSnapshot::firstRunning(
    const std::string& bundleIdentifier) const {
  const auto found =
      std::ranges::find_if(applications, [&](const RunningApplicationState& application) {
        return application.bundleIdentifier == bundleIdentifier && !application.terminated;
      });
  return found == applications.end() ? nullptr : &*found;
}

}  // namespace platform
