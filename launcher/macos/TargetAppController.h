#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "LauncherConfig.h"
#include "platform/ApplicationServices.h"
#include "platform/Bundle.h"
#include "platform/EventLoop.h"
#include "platform/FileManager.h"
#include "platform/ProcessLauncher.h"
#include "platform/SystemPaths.h"
#include "platform/WorkItem.h"

namespace launcher {

// Trigger files in the per-user temporary folder, the launcher's side of its line to the target
// application: the launch trigger holds "show" whenever the launcher starts the target, the command
// trigger "show" or "hide" at every toggle of a running target.
inline constexpr std::string_view launchTriggerFilename = "quorrel-launch.trigger";
inline constexpr std::string_view commandTriggerFilename = "quorrel-command.trigger";

// Passed to the target application after "--args" on every launch.
inline constexpr std::string_view launchArgument = "--quorrel-launch-fullscreen";

// How long a target the launcher has started counts as starting while it has not checked in with
// the desktop: presses meanwhile leave it alone instead of starting another copy.
inline constexpr std::chrono::seconds targetStartLimit{5};

// Shows, hides, starts and stops the target application. Every failure is silent. The one thing it
// keeps between calls is the start it made last, until the target appears among the running
// applications or targetStartLimit has passed. Main thread only.
class TargetAppController {
 public:
  // desktop: the running-application and workspace services; files: the home and temporary
  // folders; launcherBundle: the launcher's own bundle, never started as the target; processes:
  // starts "/usr/bin/open"; paths: where the system applications folder is; loop: where a start
  // stops counting once its time is up.
  explicit TargetAppController(LauncherConfig config, platform::ApplicationServices& desktop,
                               const platform::FileManager& files, platform::Bundle launcherBundle,
                               const platform::ProcessLauncher& processes,
                               platform::SystemPaths paths, platform::EventLoop& loop);
  // The start's timer refers to the controller: it stays where it was made.
  TargetAppController(const TargetAppController&) = delete;
  TargetAppController& operator=(const TargetAppController&) = delete;
  TargetAppController(TargetAppController&&) = delete;
  TargetAppController& operator=(TargetAppController&&) = delete;
  ~TargetAppController();

  const LauncherConfig& config() const { return config_; }

  // Starts the target when it is not running and not starting; otherwise shows it when it is hidden
  // or behind another application, and hides it when it is in front, when the launcher itself is
  // in front (its identifier compared as an optional) or when no application is. The running
  // target is the first instance that does not report itself terminated. While the target is
  // starting a press does nothing. A press asks the desktop twice (one WorkspaceSnapshot), and
  // a show adds the two requests that bring the target forward.
  void toggleTargetApp(const std::optional<std::string>& launcherBundleIdentifier);

  // Asks every running instance to quit, forcing those that refuse. Does not wait for them.
  void terminateTargetApp();

 private:
  // Writes the show command, then unhides and activates the target.
  void show(pid_t target) const;

  // Writes the launch trigger, then opens the first existing copy of the target (support folder,
  // the launcher's folder, the folder above it, the applications folder) that is not the launcher
  // itself, or else the target by its bundle identifier. The target counts as starting from then.
  void launchTargetApp();
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
  platform::EventLoop* loop_;  // not owned
  // Due targetStartLimit after the last start; while it is pending the target is starting.
  std::shared_ptr<platform::WorkItem> startInProgress_;
};

}  // namespace launcher
