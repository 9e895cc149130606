#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "LauncherConfig.h"
#include "platform/ApplicationServices.h"
#include "platform/Bundle.h"
#include "platform/FileManager.h"
#include "platform/ProcessLauncher.h"
#include "platform/SystemPaths.h"
#include "platform/Workspace.h"

namespace launcher {

// Trigger files in the per-user temporary folder, the launcher's side of its line to the target
// application: the launch trigger holds "show" whenever the launcher starts the target, the command
// trigger "show" or "hide" at every toggle of a running target.
inline constexpr std::string_view launchTriggerFilename = "quorrel-launch.trigger";
inline constexpr std::string_view commandTriggerFilename = "quorrel-command.trigger";

// Passed to the target application after "--args" on every launch.
inline constexpr std::string_view launchArgument = "--quorrel-launch-fullscreen";

// Shows, hides, starts and stops the target application. It keeps no state between calls, and every
// failure is silent: the next toggle starts from scratch. Main thread only.
class TargetAppController {
 public:
  // desktop: the running-application and workspace services; files: the home and temporary
  // folders; launcherBundle: the launcher's own bundle, never started as the target; processes:
  // starts "/usr/bin/open"; paths: where the system applications folder is.
  explicit TargetAppController(LauncherConfig config, platform::ApplicationServices& desktop,
                               const platform::FileManager& files, platform::Bundle launcherBundle,
                               const platform::ProcessLauncher& processes,
                               platform::SystemPaths paths);

  const LauncherConfig& config() const { return config_; }

  // Starts the target when it is not running; otherwise shows it when it is hidden or behind
  // another application, and hides it when it is in front, when the launcher itself is in front
  // (its identifier compared as an optional) or when no application is.
  void toggleTargetApp(const std::optional<std::string>& launcherBundleIdentifier);

  // Asks every running instance to quit, forcing those that refuse. Does not wait for them.
  void terminateTargetApp();

 private:
  // The first running instance that does not report itself terminated.
  std::optional<platform::RunningApplication> runningTarget() const;
  bool shouldShow(const platform::RunningApplication& target,
                  const std::optional<std::string>& launcherBundleIdentifier) const;
  void show(platform::RunningApplication& target) const;

  // Writes the launch trigger, then opens the first existing copy of the target (support folder,
  // the launcher's folder, the folder above it, the applications folder) that is not the launcher
  // itself, or else the target by its bundle identifier.
  void launchTargetApp() const;
  std::optional<std::filesystem::path> firstTargetCandidate() const;
  void openApp(const std::filesystem::path& bundle) const;
  void openByBundleIdentifier() const;
  void writeLaunchTrigger() const;
  void writeCommandTrigger(std::string_view command) const;
  void writeTrigger(std::string_view filename, std::string_view text) const;

  LauncherConfig config_;
  platform::ApplicationServices* desktop_;      // not owned
  const platform::FileManager* files_;          // not owned
  platform::Bundle launcherBundle_;             // a plain value
  const platform::ProcessLauncher* processes_;  // not owned
  platform::SystemPaths paths_;
};

}  // namespace launcher
