#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/ApplicationServices.h"
#include "platform/DesktopRecords.h"

namespace platform {

// The running applications and the frontmost one as the desktop listed them at one moment. A
// decision that reads several applications' state reads it here, for two requests to the desktop
// however often it reads, where each read of a RunningApplication asks the desktop anew.
struct WorkspaceSnapshot {
  std::vector<RunningApplicationState> applications;  // in the desktop's launch order
  std::optional<pid_t> frontmost;

  // Asks the desktop for its applications, then for the frontmost one.
  static WorkspaceSnapshot take(ApplicationServices& desktop);

  // The listed application with that pid; null when it is not listed.
  const RunningApplicationState* application(pid_t pid) const;
  // The first listed application with that bundle identifier that is not terminated; null when
  // there is none.
  const RunningApplicationState* firstRunning(const std::string& bundleIdentifier) const;
};

}  // namespace platform
