#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <variant>
#include <vector>

#include "platform/DesktopRecords.h"
#include "platform/HotKeyCodes.h"
#include "platform/InterfaceRecords.h"

namespace platform {

// The requests a program makes of its desktop, one record each: its name on the wire (`op`), its
// fields (`fields()`, each with its wire name) and the type of its answer (`Reply`). The in-process
// desktop answers the records themselves; the daemon's line carries them with generic code that
// reads this table, so a new request is one record here, its answer in the desktop's state and the
// method of the role that makes it. The desktop's tools ask with the control table beside it
// (ControlRequest.h).

// The answer of a request that answers nothing but that it was carried out.
struct Done {
  friend bool operator==(Done, Done) = default;
};

// The answer to a hot-key registration: an OSStatus and, on success, the registration's handle.
// A request that reached nobody leaves it refused: without the desktop no key can be global.
struct HotKeyResult {
  OSStatus status = eventHotKeyExistsErr;
  std::uint64_t registration = 0;
  friend bool operator==(const HotKeyResult&, const HotKeyResult&) = default;
};

// A field of a request: its name on the wire and where it sits in the record.
template <typename Record, typename Value>
struct RequestField {
  std::string_view name;
  Value Record::*member;
};

template <typename Record, typename Value>
constexpr RequestField<Record, Value> field(std::string_view name, Value Record::*member) {
  return {name, member};
}

namespace request {

// This program: it checks in (and out), takes a role in the Dock, comes to the front, hides, and
// shows its status items, windows and alerts.
struct CheckIn {
  static constexpr std::string_view op = "checkIn";
  using Reply = Done;
  ApplicationIdentity identity;
  ActivationPolicy policy = ActivationPolicy::regular;
  static constexpr auto fields() {
    return std::tuple{field("identity", &CheckIn::identity), field("policy", &CheckIn::policy)};
  }
};

struct SetActivationPolicy {
  static constexpr std::string_view op = "setActivationPolicy";
  using Reply = Done;
  ActivationPolicy policy = ActivationPolicy::regular;
  static constexpr auto fields() {
    return std::tuple{field("policy", &SetActivationPolicy::policy)};
  }
};

struct Activate {
  static constexpr std::string_view op = "activate";
  using Reply = Done;
  static constexpr auto fields() { return std::tuple{}; }
};

struct SetHidden {
  static constexpr std::string_view op = "setHidden";
  using Reply = Done;
  bool hidden = false;
  static constexpr auto fields() { return std::tuple{field("hidden", &SetHidden::hidden)}; }
};

struct PublishInterface {
  static constexpr std::string_view op = "publishInterface";
  using Reply = Done;
  InterfaceRecord interface;
  static constexpr auto fields() {
    return std::tuple{field("interface", &PublishInterface::interface)};
  }
};

struct PlayAlertSound {
  static constexpr std::string_view op = "playAlertSound";
  using Reply = Done;
  static constexpr auto fields() { return std::tuple{}; }
};

struct CheckOut {
  static constexpr std::string_view op = "checkOut";
  using Reply = Done;
  static constexpr auto fields() { return std::tuple{}; }
};

// The running applications, and requests to them (true when delivered).
struct RunningApplications {
  static constexpr std::string_view op = "runningApplications";
  using Reply = std::vector<RunningApplicationState>;
  static constexpr auto fields() { return std::tuple{}; }
};

struct FrontmostApplication {
  static constexpr std::string_view op = "frontmostApplication";
  using Reply = std::optional<pid_t>;
  static constexpr auto fields() { return std::tuple{}; }
};

struct HideApplication {
  static constexpr std::string_view op = "hideApplication";
  using Reply = bool;
  pid_t pid = 0;
  static constexpr auto fields() { return std::tuple{field("pid", &HideApplication::pid)}; }
};

struct UnhideApplication {
  static constexpr std::string_view op = "unhideApplication";
  using Reply = bool;
  pid_t pid = 0;
  static constexpr auto fields() { return std::tuple{field("pid", &UnhideApplication::pid)}; }
};

struct ActivateApplication {
  static constexpr std::string_view op = "activateApplication";
  using Reply = bool;
  pid_t pid = 0;
  static constexpr auto fields() { return std::tuple{field("pid", &ActivateApplication::pid)}; }
};

// A polite request to quit: false when the application refused it or could not be reached.
struct TerminateApplication {
  static constexpr std::string_view op = "terminateApplication";
  using Reply = bool;
  pid_t pid = 0;
  static constexpr auto fields() { return std::tuple{field("pid", &TerminateApplication::pid)}; }
};

struct ForceTerminateApplication {
  static constexpr std::string_view op = "forceTerminateApplication";
  using Reply = bool;
  pid_t pid = 0;
  static constexpr auto fields() {
    return std::tuple{field("pid", &ForceTerminateApplication::pid)};
  }
};

struct OpenURL {
  static constexpr std::string_view op = "openURL";
  using Reply = bool;
  std::string url;
  static constexpr auto fields() { return std::tuple{field("url", &OpenURL::url)}; }
};

// System-wide hot keys.
struct RegisterHotKey {
  static constexpr std::string_view op = "registerHotKey";
  using Reply = HotKeyResult;
  std::uint32_t keyCode = 0;
  std::uint32_t modifiers = 0;
  std::uint32_t signature = 0;
  std::uint32_t id = 0;
  static constexpr auto fields() {
    return std::tuple{
        field("keyCode", &RegisterHotKey::keyCode), field("modifiers", &RegisterHotKey::modifiers),
        field("signature", &RegisterHotKey::signature), field("hotKeyId", &RegisterHotKey::id)};
  }
};

struct UnregisterHotKey {
  static constexpr std::string_view op = "unregisterHotKey";
  using Reply = Done;
  std::uint64_t registration = 0;
  static constexpr auto fields() {
    return std::tuple{field("registration", &UnregisterHotKey::registration)};
  }
};

// User notifications.
struct RequestNotificationAuthorization {
  static constexpr std::string_view op = "requestNotificationAuthorization";
  using Reply = bool;
  std::uint32_t options = 0;
  static constexpr auto fields() {
    return std::tuple{field("options", &RequestNotificationAuthorization::options)};
  }
};

struct AddNotification {
  static constexpr std::string_view op = "addNotification";
  using Reply = Done;
  NotificationRecord notification;
  static constexpr auto fields() {
    return std::tuple{field("notification", &AddNotification::notification)};
  }
};

// Screens, in the desktop's order (the first is the main screen), and the user's languages.
struct Screens {
  static constexpr std::string_view op = "screens";
  using Reply = std::vector<ScreenDescription>;
  static constexpr auto fields() { return std::tuple{}; }
};

struct PreferredLanguages {
  static constexpr std::string_view op = "preferredLanguages";
  using Reply = std::vector<std::string>;
  static constexpr auto fields() { return std::tuple{}; }
};

}  // namespace request

using ProgramRequest =
    std::variant<request::CheckIn, request::SetActivationPolicy, request::Activate,
                 request::SetHidden, request::PublishInterface, request::PlayAlertSound,
                 request::CheckOut, request::RunningApplications, request::FrontmostApplication,
                 request::HideApplication, request::UnhideApplication, request::ActivateApplication,
                 request::TerminateApplication, request::ForceTerminateApplication,
                 request::OpenURL, request::RegisterHotKey, request::UnregisterHotKey,
                 request::RequestNotificationAuthorization, request::AddNotification,
                 request::Screens, request::PreferredLanguages>;

// Every answer type of the table.
using ProgramReply =
    std::variant<Done, bool, std::vector<RunningApplicationState>, std::optional<pid_t>,
                 HotKeyResult, std::vector<ScreenDescription>, std::vector<std::string>>;

}  // namespace platform
