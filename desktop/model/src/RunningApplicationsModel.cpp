#include "model/RunningApplicationsModel.h"

#include <algorithm>

namespace platform {

bool RunningApplicationsModel::launch(const RunningApplicationState& record) {
  if (find(record.pid) != nullptr) {
    return false;
  }
  RunningApplicationState& added = applications_.emplace_back(RunningApplicationState{
      .pid = record.pid,
      .bundleIdentifier = record.bundleIdentifier,
      .bundlePath = record.bundlePath,
      .activationPolicy = record.activationPolicy,
  });
  if (added.activationPolicy == ActivationPolicy::regular) {
    makeFrontmost(added);
  }
  return true;
}

bool RunningApplicationsModel::activate(pid_t pid) {
  RunningApplicationState* application = find(pid);
  if (application == nullptr) {
    return false;
  }
  application->hidden = false;
  makeFrontmost(*application);
  return true;
}

bool RunningApplicationsModel::hide(pid_t pid) {
  RunningApplicationState* application = find(pid);
  if (application == nullptr) {
    return false;
  }
  const bool wasFrontmost = application->active;
  application->hidden = true;
  application->active = false;
  if (wasFrontmost) {
    frontmostMovesOnFrom(pid);
  }
  return true;
}

bool RunningApplicationsModel::unhide(pid_t pid) {
  RunningApplicationState* application = find(pid);
  if (application == nullptr) {
    return false;
  }
  application->hidden = false;
  return true;
}

bool RunningApplicationsModel::setActivationPolicy(pid_t pid, ActivationPolicy policy) {
  RunningApplicationState* application = find(pid);
  if (application == nullptr) {
    return false;
  }
  application->activationPolicy = policy;
  return true;
}

void RunningApplicationsModel::focusNone() {
  for (RunningApplicationState& application : applications_) {
    application.active = false;
  }
}

bool RunningApplicationsModel::terminate(pid_t pid) {
  const auto found = std::ranges::find(applications_, pid, &RunningApplicationState::pid);
  if (found == applications_.end()) {
    return false;
  }
  const bool wasFrontmost = found->active;
  applications_.erase(found);
  std::erase(recentlyActive_, pid);
  if (wasFrontmost) {
    frontmostMovesOnFrom(pid);
  }
  return true;
}

std::vector<RunningApplicationState> RunningApplicationsModel::applications(
    std::string_view bundleIdentifier) const {
  std::vector<RunningApplicationState> matching;
  for (const RunningApplicationState& application : applications_) {
    if (application.bundleIdentifier == bundleIdentifier) {
      matching.push_back(application);
    }
  }
  return matching;
}

std::optional<RunningApplicationState> RunningApplicationsModel::application(pid_t pid) const {
  const auto found = std::ranges::find(applications_, pid, &RunningApplicationState::pid);
  if (found == applications_.end()) {
    return std::nullopt;
  }
  return *found;
}

std::optional<pid_t> RunningApplicationsModel::frontmost() const {
  const auto found = std::ranges::find(applications_, true, &RunningApplicationState::active);
  if (found == applications_.end()) {
    return std::nullopt;
  }
  return found->pid;
}

RunningApplicationState* RunningApplicationsModel::find(pid_t pid) {
  const auto found = std::ranges::find(applications_, pid, &RunningApplicationState::pid);
  return found == applications_.end() ? nullptr : &*found;
}

void RunningApplicationsModel::makeFrontmost(RunningApplicationState& application) {
  for (RunningApplicationState& other : applications_) {
    other.active = false;
  }
  application.active = true;
  std::erase(recentlyActive_, application.pid);
  recentlyActive_.insert(recentlyActive_.begin(), application.pid);
}

void RunningApplicationsModel::frontmostMovesOnFrom(pid_t leaving) {
  const auto next = std::ranges::find_if(recentlyActive_, [&](pid_t pid) {
    const RunningApplicationState* candidate = find(pid);
    return pid != leaving && candidate != nullptr && !candidate->hidden &&
           candidate->activationPolicy == ActivationPolicy::regular;
  });
  if (next != recentlyActive_.end()) {
    makeFrontmost(*find(*next));
  }
}

}  // namespace platform
