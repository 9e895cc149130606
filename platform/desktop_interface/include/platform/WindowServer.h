#pragma once

#include <functional>

#include "platform/DesktopRecords.h"
#include "platform/InterfaceRecords.h"

namespace platform {

struct DesktopEvent;  // platform/DesktopEvent.h

// The window server's side of one program: it checks in and out, takes its activation policy,
// comes to the front or hides, and shows its status items, windows and alerts. The desktop's
// requests to the program come back through the event handler, on the program's main loop.
// Main thread only.
class WindowServer {
 public:
  virtual ~WindowServer() = default;

  virtual void setEventHandler(std::function<void(const DesktopEvent&)> handler) = 0;
  virtual void checkIn(const ApplicationIdentity& identity, ActivationPolicy policy) = 0;
  virtual void setActivationPolicy(ActivationPolicy policy) = 0;
  // Makes this program the active, frontmost application, ignoring the others.
  virtual void activate() = 0;
  virtual void setHidden(bool hidden) = 0;
  // Everything the program shows (see Application::describeInterface).
  virtual void publishInterface(const InterfaceRecord& interface) = 0;
  virtual void playAlertSound() = 0;
  virtual void checkOut() = 0;
};

}  // namespace platform
