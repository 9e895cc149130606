#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "platform/Geometry.h"

namespace platform {

enum class ActivationPolicy { regular, accessory, prohibited };

// Who a program is, as it checks in with the desktop.
struct ApplicationIdentity {
  pid_t pid = 0;
  std::optional<std::string> bundleIdentifier;
  std::optional<std::string> bundlePath;
  std::optional<std::string> executablePath;
};

// A running application as the desktop sees it.
struct RunningApplicationState {
  pid_t pid = 0;
  std::optional<std::string> bundleIdentifier;
  std::optional<std::string> bundlePath;
  ActivationPolicy activationPolicy = ActivationPolicy::regular;
  bool hidden = false;
  bool active = false;
  bool terminated = false;
};

// An attached screen: its name, the display number when the screen has one, its global frame and
// its backing scale factor.
struct ScreenDescription {
  std::string localizedName;
  std::optional<std::uint32_t> displayNumber;
  Rect frame;
  double backingScaleFactor = 1.0;
  friend bool operator==(const ScreenDescription&, const ScreenDescription&) = default;
};

// A user notification as delivered.
struct NotificationRecord {
  std::string identifier;
  std::string title;
  std::string body;
  bool defaultSound = false;
  friend bool operator==(const NotificationRecord&, const NotificationRecord&) = default;
};

struct DesktopEvent;  // platform/DesktopEvent.h

// A program's line to the desktop it runs on: the window server, the running-application and
// workspace services, the hot-key registry and the notification centre. The in-process emulated
// desktop and the client of the desktop daemon implement it. Main thread only.
class DesktopConnection {
 public:
  virtual ~DesktopConnection() = default;

  // Where the desktop's requests to this program go (on the program's main loop).
  virtual void setEventHandler(std::function<void(const DesktopEvent&)> handler) = 0;

  // This program.
  virtual void checkIn(const ApplicationIdentity& identity, ActivationPolicy policy) = 0;
  virtual void setActivationPolicy(ActivationPolicy policy) = 0;
  // Makes this program the active, frontmost application, ignoring the others.
  virtual void activate() = 0;
  virtual void setHidden(bool hidden) = 0;
  // Everything the program shows: status items, windows and alerts (see Application).
  virtual void publishInterface(const nlohmann::json& interface) = 0;
  virtual void checkOut() = 0;

  // The other applications. Requests return whether they were delivered.
  virtual std::vector<RunningApplicationState> runningApplications() = 0;
  virtual std::optional<pid_t> frontmostApplication() = 0;
  virtual bool hideApplication(pid_t pid) = 0;
  virtual bool unhideApplication(pid_t pid) = 0;
  virtual bool activateApplication(pid_t pid) = 0;
  // A polite request to quit; false when the application refused it or could not be reached.
  virtual bool terminateApplication(pid_t pid) = 0;
  virtual bool forceTerminateApplication(pid_t pid) = 0;

  // System-wide hot keys. The result is an OSStatus: 0, or -9878 when another registration holds
  // the combination. `registration` receives a handle for unregisterHotKey.
  virtual std::int32_t registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                      std::uint32_t signature, std::uint32_t id,
                                      std::uint64_t& registration) = 0;
  virtual void unregisterHotKey(std::uint64_t registration) = 0;

  // Notifications, web addresses and the alert sound.
  virtual bool requestNotificationAuthorization(std::uint32_t options) = 0;
  virtual void addNotification(const NotificationRecord& notification) = 0;
  virtual bool openURL(const std::string& url) = 0;
  virtual void playAlertSound() = 0;

  // Screens, in the desktop's order (the first is the main screen), and the user's languages.
  virtual std::vector<ScreenDescription> screens() = 0;
  virtual std::vector<std::string> preferredLanguages() = 0;
};

}  // namespace platform
