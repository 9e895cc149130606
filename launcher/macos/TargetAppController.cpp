#include "TargetAppController.h"

#include <array>
#include <system_error>
#include <utility>
#include <vector>

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
  std::optional<platform::RunningApplication> target = runningTarget();
  if (!target) {
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
  if (shouldShow(*target, launcherBundleIdentifier)) {
    show(*target);
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

std::optional<platform::RunningApplication> TargetAppController::runningTarget() const {
  for (platform::RunningApplication& instance :
       platform::RunningApplication::runningApplications(config_.bundleIdentifier, *desktop_)) {
    if (!instance.isTerminated()) {
      return std::move(instance);
    }
  }
  return std::nullopt;
}

bool TargetAppController::shouldShow(
    const platform::RunningApplication& target,
    const std::optional<std::string>& launcherBundleIdentifier) const {
  const std::optional<platform::RunningApplication> frontmost =
      platform::Workspace(*desktop_).frontmostApplication();
  const bool targetInFront =
      (frontmost && frontmost->processIdentifier() == target.processIdentifier()) ||
      target.isActive();
  const std::optional<std::string> frontmostIdentifier =
      frontmost ? frontmost->bundleIdentifier() : std::nullopt;
  const bool launcherInFront = frontmostIdentifier == launcherBundleIdentifier;

  if (target.isHidden()) {
    return true;
  }
  // Visible: hidden when it, the launcher or nothing is in front; shown when it is behind another.
  const bool behindAnotherApplication = frontmost && !targetInFront && !launcherInFront;
  return behindAnotherApplication;
}

void TargetAppController::show(platform::RunningApplication& target) const {
  writeCommandTrigger("show");
  target.unhide();
  target.activate(platform::ActivationOptions::activateAllWindows);
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
