#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Geometry.h"

namespace platform {

enum class ActivationPolicy { regular, accessory, prohibited };

// Who a program is, as it checks in with the desktop.
struct ApplicationIdentity {
  pid_t pid = 0;
  std::optional<std::string> bundleIdentifier;
  std::optional<std::string> bundlePath;
  std::optional<std::string> executablePath;
  friend bool operator==(const ApplicationIdentity&, const ApplicationIdentity&) = default;
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
  friend bool operator==(const RunningApplicationState&, const RunningApplicationState&) = default;
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

// The most pixels on a side that the desktop draws: each screen's width and height times its
// scale, and those of the area all screens span times the largest scale, stay within it.
inline constexpr double maximumScreenPixels = 16384;

// A user notification as delivered.
struct NotificationRecord {
  std::string identifier;
  std::string title;
  std::string body;
  bool defaultSound = false;
  friend bool operator==(const NotificationRecord&, const NotificationRecord&) = default;
};

// One entry of the desktop's journal: a program started (path and full argument list), a web
// address opened, a notification delivered, or the alert sound.
struct JournalEntry {
  enum class Kind { programStarted, urlOpened, notificationDelivered, alertSound };
  Kind kind = Kind::programStarted;
  std::string path;                    // programStarted
  std::vector<std::string> arguments;  // programStarted
  std::string url;                     // urlOpened
  NotificationRecord notification;     // notificationDelivered
  pid_t pid = 0;                       // who did it, when known
};

}  // namespace platform
