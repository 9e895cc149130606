#include "platform/UserNotifications.h"

#include <utility>

namespace platform {

UserNotificationCenter::UserNotificationCenter(NotificationServices& desktop, EventLoop& loop,
                                               GlobalQueue& completionQueue)
    : desktop_(&desktop), loop_(&loop), completionQueue_(&completionQueue) {}

void UserNotificationCenter::requestAuthorization(
    AuthorizationOptions options,
    std::function<void(bool granted, std::optional<Error> error)> completion) {
  loop_->async([desktop = desktop_, queue = completionQueue_, options,
                completion = std::move(completion)]() mutable {
    const bool granted = desktop->requestNotificationAuthorization(options.rawValue);
    queue->async(
        [granted, completion = std::move(completion)] { completion(granted, std::nullopt); });
  });
}

void UserNotificationCenter::add(const NotificationRequest& request) {
  loop_->async([desktop = desktop_,
                record = NotificationRecord{
                    .identifier = request.identifier,
                    .title = request.content.title,
                    .body = request.content.body,
                    .defaultSound = request.content.sound == NotificationSound::defaultSound,
                }] { desktop->addNotification(record); });
}

}  // namespace platform
