#pragma once

#include <sys/types.h>

#include <optional>
#include <string_view>
#include <vector>

#include "platform/DesktopRecords.h"

namespace platform {

// The desktop's record of the running GUI applications: launch order, activation policy, hidden and
// active state, and which one is frontmost. At most one application is active, and the active one
// is the frontmost; there may be none. Applications leave the list when they terminate, so every
// record it hands out reads as not terminated. Requests for a pid it does not hold return false.
class RunningApplicationsModel {
 public:
  // Adds an application at the end of the launch order, visible. A regular application comes to the
  // front and becomes active; an accessory or prohibited one leaves the front as it is. The
  // record's hidden, active and terminated fields are ignored. False when the pid is already
  // listed.
  bool launch(const RunningApplicationState& record);

  // Makes the application active, frontmost and visible; every other application becomes inactive.
  bool activate(pid_t pid);
  // Hides the application and makes it inactive. When it was frontmost, the most recently active
  // other visible regular application comes to the front, or none.
  bool hide(pid_t pid);
  // Shows a hidden application again without bringing it to the front.
  bool unhide(pid_t pid);
  bool setActivationPolicy(pid_t pid, ActivationPolicy policy);
  // Leaves no application frontmost and none active.
  void focusNone();
  // Removes the application; when it was frontmost, the front moves on as for hide.
  bool terminate(pid_t pid);

  // Every application, in launch order.
  const std::vector<RunningApplicationState>& applications() const { return applications_; }
  // The applications with that bundle identifier, in launch order.
  std::vector<RunningApplicationState> applications(std::string_view bundleIdentifier) const;
  std::optional<RunningApplicationState> application(pid_t pid) const;
  std::optional<pid_t> frontmost() const;

 private:
  RunningApplicationState* find(pid_t pid);
  void makeFrontmost(RunningApplicationState& application);
  // After the frontmost application `leaving` hid or terminated: brings the most recently active
  // other visible regular application to the front, or leaves none.
  void frontmostMovesOnFrom(pid_t leaving);

  std::vector<RunningApplicationState> applications_;
  std::vector<pid_t> recentlyActive_;  // most recent first; only listed applications
};

}  // namespace platform
