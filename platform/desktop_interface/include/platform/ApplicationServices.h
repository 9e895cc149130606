#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/DesktopRecords.h"

namespace platform {

// The running applications as the desktop knows them, requests to them, and web addresses opened
// in the default browser. Requests return whether they were delivered. Main thread only.
class ApplicationServices {
 public:
  virtual ~ApplicationServices() = default;

  virtual std::vector<RunningApplicationState> runningApplications() = 0;
  virtual std::optional<pid_t> frontmostApplication() = 0;
  virtual bool hideApplication(pid_t pid) = 0;
  virtual bool unhideApplication(pid_t pid) = 0;
  virtual bool activateApplication(pid_t pid) = 0;
  // A polite request to quit; false when the application refused it or could not be reached.
  virtual bool terminateApplication(pid_t pid) = 0;
  virtual bool forceTerminateApplication(pid_t pid) = 0;
  virtual bool openURL(const std::string& url) = 0;
};

}  // namespace platform
