#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/Error.h"
#include "platform/EventLoop.h"
#include "platform/GlobalQueue.h"
#include "platform/NotificationServices.h"

namespace platform {

// What a program asks permission for: a set of the options below.
struct AuthorizationOptions {
  static const AuthorizationOptions badge;
  static const AuthorizationOptions sound;
  static const AuthorizationOptions alert;

  std::uint32_t rawValue = 0;

  friend constexpr AuthorizationOptions operator|(AuthorizationOptions a, AuthorizationOptions b) {
    return {a.rawValue | b.rawValue};
  }
  friend bool operator==(AuthorizationOptions, AuthorizationOptions) = default;
};

inline constexpr AuthorizationOptions AuthorizationOptions::badge{1U << 0};
inline constexpr AuthorizationOptions AuthorizationOptions::sound{1U << 1};
inline constexpr AuthorizationOptions AuthorizationOptions::alert{1U << 2};

enum class NotificationSound { none, defaultSound };

struct NotificationContent {
  std::string title;
  std::string body;
  NotificationSound sound = NotificationSound::none;
};

// A notification delivered at once. A later request with the same identifier takes the place of the
// earlier one.
struct NotificationRequest {
  std::string identifier;
  NotificationContent content;
};

// The notification centre of one application. Its calls may come from any thread: the desktop is
// always spoken to from the application's loop. The authorisation completion runs on a background
// queue, as the system's own service does, so a completion that touches the program's state must
// hop to the main queue itself.
class UserNotificationCenter {
 public:
  // A centre on a given desktop, speaking to it from `loop` and running authorisation completions
  // on `completionQueue`. The desktop must outlive the work queued on the loop.
  UserNotificationCenter(NotificationServices& desktop, EventLoop& loop,
                         GlobalQueue& completionQueue);

  // Asks the user for permission to notify; the completion gets whether it was granted and an error
  // when the request itself failed.
  void requestAuthorization(
      AuthorizationOptions options,
      std::function<void(bool granted, std::optional<Error> error)> completion);

  // Delivers a notification (only shown when permission was granted).
  void add(const NotificationRequest& request);

 private:
  NotificationServices* desktop_;  // not owned
  EventLoop* loop_;                // not owned
  GlobalQueue* completionQueue_;   // not owned
};

}  // namespace platform
