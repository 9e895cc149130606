#pragma once

#include <cstdint>

#include "platform/DesktopRecords.h"

namespace platform {

// The desktop's notification centre. Main thread only.
class NotificationServices {
 public:
  virtual ~NotificationServices() = default;

  virtual bool requestNotificationAuthorization(std::uint32_t options) = 0;
  virtual void addNotification(const NotificationRecord& notification) = 0;
};

}  // namespace platform
