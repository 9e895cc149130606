#include "model/InProcessTransport.h"

#include <utility>

namespace platform {

InProcessTransport::InProcessTransport(DesktopState& desktop, EventLoop& loop)
    : desktop_(desktop),
      loop_(loop),
      client_(desktop.attach(*this)),
      alive_(std::make_shared<bool>(true)) {}

InProcessTransport::~InProcessTransport() {
  *alive_ = false;
  // A program that checked out or was killed is no longer attached; detaching again does nothing.
  desktop_.detach(client_);
}

void InProcessTransport::setEventHandler(std::function<void(const DesktopEvent&)> handler) {
  handler_ = std::move(handler);
}

std::optional<ProgramReply> InProcessTransport::send(const ProgramRequest& request) {
  if (std::holds_alternative<request::CheckOut>(request)) {
    detached_ = true;
  }
  return desktop_.handle(client_, request);
}

void InProcessTransport::deliver(const DesktopEvent& event) {
  std::weak_ptr<bool> alive = alive_;
  loop_.async([this, alive, event] {
    if (auto stillAlive = alive.lock(); stillAlive && *stillAlive && !detached_ && handler_) {
      handler_(event);
    }
  });
}

void InProcessTransport::kill() {
  detached_ = true;
}

}  // namespace platform
