#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ApplicationServices.h"

namespace platform {

// How an application is activated: a set of the options below.
struct ActivationOptions {
  static const ActivationOptions activateAllWindows;
  static const ActivationOptions activateIgnoringOtherApps;

  std::uint32_t rawValue = 0;

  friend constexpr ActivationOptions operator|(ActivationOptions a, ActivationOptions b) {
    return {a.rawValue | b.rawValue};
  }
  friend bool operator==(ActivationOptions, ActivationOptions) = default;
};

inline constexpr ActivationOptions ActivationOptions::activateAllWindows{1U << 0};
inline constexpr ActivationOptions ActivationOptions::activateIgnoringOtherApps{1U << 1};

// A running GUI application as the desktop lists it. Its bundle identifier and location are taken
// when the object is made (they do not change while a process runs); its state is read from the
// desktop on each call, and an application that has left the desktop reads as terminated. Requests
// return whether the desktop delivered them. Main thread only.
class RunningApplication {
 public:
  // The application with that pid as the desktop lists it now (identity empty when it does not).
  explicit RunningApplication(pid_t pid, ApplicationServices& desktop);

  // Every running application with that bundle identifier, in the desktop's launch order.
  static std::vector<RunningApplication> runningApplications(const std::string& bundleIdentifier,
                                                             ApplicationServices& desktop);

  pid_t processIdentifier() const { return pid_; }
  const std::optional<std::string>& bundleIdentifier() const { return bundleIdentifier_; }
  // The location of the application's bundle.
  const std::optional<std::string>& bundleURL() const { return bundlePath_; }

  bool isTerminated() const;
  bool isHidden() const;
  bool isActive() const;

  bool hide();
  bool unhide();
  // Brings the application to the front as the active application. The desktop always brings all
  // of its windows forward, so the options do not change what happens there.
  bool activate(ActivationOptions options);
  // A polite request to quit: false when the application refused it or could not be reached.
  bool terminate();
  bool forceTerminate();

 private:
  friend class Workspace;
  RunningApplication(const RunningApplicationState& state, ApplicationServices& desktop);
  std::optional<RunningApplicationState> state() const;

  pid_t pid_;
  std::optional<std::string> bundleIdentifier_;
  std::optional<std::string> bundlePath_;
  ApplicationServices* desktop_;  // not owned; the application's connection outlives it
};

// The user's workspace: the running applications, the frontmost one, and the default browser.
// Main thread only.
class Workspace {
 public:
  explicit Workspace(ApplicationServices& desktop) : desktop_(&desktop) {}

  // The application that has the front, if any.
  std::optional<RunningApplication> frontmostApplication() const;
  // Every running application, in the desktop's launch order.
  std::vector<RunningApplication> runningApplications() const;
  // Opens a web address in the user's default browser; whether the desktop accepted it.
  bool open(const std::string& url) const;

 private:
  ApplicationServices* desktop_;  // not owned
};

}  // namespace platform
