#pragma once

#include <functional>
#include <optional>

#include "platform/DesktopRequest.h"

namespace platform {

struct DesktopEvent;  // platform/DesktopEvent.h

// How a program's requests reach its desktop and the desktop's events come back: straight to an
// in-process desktop, or as lines on the desktop daemon's socket. Main thread only.
class DesktopTransport {
 public:
  virtual ~DesktopTransport() = default;

  // Where the desktop's requests to this program go (on the program's main loop).
  virtual void setEventHandler(std::function<void(const DesktopEvent&)> handler) = 0;
  // Carries one request to the desktop and brings its answer back; nothing when the request or its
  // answer did not arrive.
  virtual std::optional<ProgramReply> send(const ProgramRequest& request) = 0;
};

}  // namespace platform
