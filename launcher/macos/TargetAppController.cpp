#include "TargetAppController.h"

#include <array>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/Workspace.h"
#include "platform/WorkspaceSnapshot.h"
#include "suite/HomeLayout.h"

namespace launcher {
namespace {

constexpr const char* openTool = "/usr/bin/open";

// A location as the file system sees it: ".", ".." and links resolved for as much of the path as
// exists, the rest normalised, without a trailing separator. Two names of the same bundle (one
// reached through a link or through "..") compare equal.
std::filesystem::path standardized(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::path result = std::filesystem::weakly_canonical(path, error);
  if (error) {
    result = std::filesystem::absolute(path, error).lexically_normal();
  }
  if (!result.has_filename() && result.has_relative_path()) {
    result = result.parent_path();
  }
  return result;
}

// Whether a press shows the running target (or else hides it): a hidden target is shown; a visible
// one is hidden when it, the launcher (its identifier compared as an optional) or nothing is in
// front, and shown when it is behind another application.
bool shouldShow(const platform::WorkspaceSnapshot& workspace,
                const platform::RunningApplicationState& target,
                const std::optional<std::string>& launcherBundleIdentifier) {
  if (target.hidden) {
    return true;
  }
  const bool targetInFront = workspace.frontmost == target.pid || target.active;
  const platform::RunningApplicationState* frontmost =
      workspace.frontmost ? workspace.application(*workspace.frontmost) : nullptr;
  const std::optional<std::string> frontmostIdentifier =
      frontmost != nullptr ? frontmost->bundleIdentifier : std::nullopt;
  const bool launcherInFront = frontmostIdentifier == launcherBundleIdentifier;
  return workspace.frontmost && !targetInFront && !launcherInFront;
}

}  // namespace

TargetAppController::TargetAppController(LauncherConfig config,
                                         platform::ApplicationServices& desktop,
                                         const platform::FileManager& files,
                                         platform::Bundle launcherBundle,
                                         const platform::ProcessLauncher& processes,
                                         platform::SystemPaths paths, platform::EventLoop& loop)
    : config_(std::move(config)),
      desktop_(&desktop),
      files_(&files),
      launcherBundle_(std::move(launcherBundle)),
      processes_(&processes),
      paths_(std::move(paths)),
      loop_(&loop) {}

TargetAppController::~TargetAppController() {
  if (startInProgress_) {
    startInProgress_->cancel();
  }
}

void TargetAppController::toggleTargetApp(
    const std::optional<std::string>& launcherBundleIdentifier) {
  // One look at the desktop per press: the decision reads this snapshot only.
  const platform::WorkspaceSnapshot workspace = platform::WorkspaceSnapshot::take(*desktop_);
  const platform::RunningApplicationState* target =
      workspace.firstRunning(config_.bundleIdentifier);
  if (target == nullptr) {
    // A target that takes a moment to check in would otherwise be started once per press.
    if (!startInProgress_) {
      launchTargetApp();
    }
    return;
  }
  if (startInProgress_) {
    startInProgress_->cancel();
    startInProgress_.reset();
  }
  if (shouldShow(workspace, *target, launcherBundleIdentifier)) {
    show(target->pid);
  } else {
    // The target hides itself when it reads the command; the launcher asks nothing more of it.
    writeCommandTrigger("hide");
  }
}

void TargetAppController::terminateTargetApp() {
  for (platform::RunningApplication& instance :
       platform::RunningApplication::runningApplications(config_.bundleIdentifier, *desktop_)) {
    if (instance.isTerminated()) {
      continue;
    }
    if (!instance.terminate()) {
      instance.forceTerminate();
    }
  }
}

void TargetAppController::show(pid_t target) const {
  writeCommandTrigger("show");
  // Whether the desktop delivered the requests is not observed, as with every failure here.
  [[maybe_unused]] const bool unhidden = desktop_->unhideApplication(target);
  [[maybe_unused]] const bool activated = desktop_->activateApplication(target);
}

void TargetAppController::launchTargetApp() {
  startInProgress_ = std::make_shared<platform::WorkItem>([this] { startInProgress_.reset(); });
  loop_->asyncAfter(targetStartLimit, startInProgress_);
  writeLaunchTrigger();
  if (const std::optional<std::filesystem::path> bundle = firstTargetCandidate()) {
    openApp(*bundle);
  } else {
    openByBundleIdentifier();
  }
}

std::optional<std::filesystem::path> TargetAppController::firstTargetCandidate() const {
  const std::filesystem::path launcherFolder = launcherBundle_.bundlePath().parent_path();
  const std::filesystem::path supportFolder =
      suite::HomeLayout::under(files_->homeDirectory()).supportFolder;
  const std::string bundleName = config_.targetAppName + ".app";
  const std::array<std::filesystem::path, 4> candidates{
      supportFolder / bundleName,
      launcherFolder / bundleName,
      launcherFolder.parent_path() / bundleName,
      paths_.applicationsDirectory() / bundleName,
  };

  const std::filesystem::path ownBundle = standardized(launcherBundle_.bundlePath());
  for (const std::filesystem::path& candidate : candidates) {
    if (files_->fileExists(candidate) && standardized(candidate) != ownBundle) {
      return candidate;
    }
  }
  return std::nullopt;
}

void TargetAppController::openApp(const std::filesystem::path& bundle) const {
  // Started and left alone: whether "open" manages to start the target is not observed.
  [[maybe_unused]] const platform::Result<pid_t> ignored =
      processes_->launch(openTool, {bundle.string(), "--args", std::string(launchArgument)});
}

void TargetAppController::openByBundleIdentifier() const {
  [[maybe_unused]] const platform::Result<pid_t> ignored = processes_->launch(
      openTool, {"-b", config_.bundleIdentifier, "--args", std::string(launchArgument)});
}

void TargetAppController::writeLaunchTrigger() const {
  writeTrigger(launchTriggerFilename, "show");
}

void TargetAppController::writeCommandTrigger(std::string_view command) const {
  writeTrigger(commandTriggerFilename, command);
}

void TargetAppController::writeTrigger(std::string_view filename, std::string_view text) const {
  // Best effort: a trigger that cannot be written changes nothing the launcher does next. Only the
  // running target reads it, so it is not flushed to disk: that would delay every press.
  [[maybe_unused]] const platform::Result<void> ignored = files_->writeAtomically(
      files_->temporaryDirectory() / filename, text, platform::FileManager::Durability::notFlushed);
}

}  // namespace launcher
