#include "platform/Workspace.h"

#include <algorithm>
#include <utility>

namespace platform {

namespace {

std::optional<RunningApplicationState> findState(ApplicationServices& desktop, pid_t pid) {
  std::vector<RunningApplicationState> applications = desktop.runningApplications();
  const auto found = std::ranges::find(applications, pid, &RunningApplicationState::pid);
  if (found == applications.end()) {
    return std::nullopt;
  }
  return std::move(*found);
}

}  // namespace

RunningApplication::RunningApplication(pid_t pid, ApplicationServices& desktop)
    : pid_(pid), desktop_(&desktop) {
  if (const std::optional<RunningApplicationState> listed = findState(desktop, pid)) {
    bundleIdentifier_ = listed->bundleIdentifier;
    bundlePath_ = listed->bundlePath;
  }
}

RunningApplication::RunningApplication(const RunningApplicationState& state,
                                       ApplicationServices& desktop)
    : pid_(state.pid),
      bundleIdentifier_(state.bundleIdentifier),
      bundlePath_(state.bundlePath),
      desktop_(&desktop) {}

std::vector<RunningApplication> RunningApplication::runningApplications(
    const std::string& bundleIdentifier, ApplicationServices& desktop) {
  std::vector<RunningApplication> matching;
  for (const RunningApplicationState& state : desktop.runningApplications()) {
    if (state.bundleIdentifier == bundleIdentifier) {
      matching.push_back(RunningApplication(state, desktop));
    }
  }
  return matching;
}

std::optional<RunningApplicationState> RunningApplication::state() const {
  return findState(*desktop_, pid_);
}

bool RunningApplication::isTerminated() const {
  const std::optional<RunningApplicationState> current = state();
  return !current || current->terminated;
}

bool RunningApplication::isHidden() const {
  const std::optional<RunningApplicationState> current = state();
  return current && current->hidden;
}

bool RunningApplication::isActive() const {
  const std::optional<RunningApplicationState> current = state();
  return current && current->active;
}

bool RunningApplication::hide() {
  return desktop_->hideApplication(pid_);
}

bool RunningApplication::unhide() {
  return desktop_->unhideApplication(pid_);
}

bool RunningApplication::activate(ActivationOptions /*options*/) {
  return desktop_->activateApplication(pid_);
}

bool RunningApplication::terminate() {
  return desktop_->terminateApplication(pid_);
}

bool RunningApplication::forceTerminate() {
  return desktop_->forceTerminateApplication(pid_);
}

std::optional<RunningApplication> Workspace::frontmostApplication() const {
  const std::optional<pid_t> frontmost = desktop_->frontmostApplication();
  if (!frontmost) {
    return std::nullopt;
  }
  return RunningApplication(*frontmost, *desktop_);
}

std::vector<RunningApplication> Workspace::runningApplications() const {
  std::vector<RunningApplication> applications;
  for (const RunningApplicationState& state : desktop_->runningApplications()) {
    applications.push_back(RunningApplication(state, *desktop_));
  }
  return applications;
}

bool Workspace::open(const std::string& url) const {
  return desktop_->openURL(url);
}

}  // namespace platform
