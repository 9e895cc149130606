#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "model/DesktopState.h"
#include "platform/DesktopTransport.h"
#include "platform/EventLoop.h"

namespace platform {

// A program of this process on an in-process desktop: its requests go straight to the desktop's
// state, and the desktop's events come back as blocks on the program's loop. Events still queued
// when the transport goes away, the program checks out or it is killed are dropped. It must not
// outlive the desktop. Main thread only.
class InProcessTransport final : public DesktopTransport, public DesktopClient {
 public:
  InProcessTransport(DesktopState& desktop, EventLoop& loop);
  ~InProcessTransport() override;
  InProcessTransport(const InProcessTransport&) = delete;
  InProcessTransport& operator=(const InProcessTransport&) = delete;
  InProcessTransport(InProcessTransport&&) = delete;
  InProcessTransport& operator=(InProcessTransport&&) = delete;

  // DesktopTransport
  void setEventHandler(std::function<void(const DesktopEvent&)> handler) override;
  std::optional<ProgramReply> send(const ProgramRequest& request) override;

  // DesktopClient
  void deliver(const DesktopEvent& event) override;
  void kill() override;

 private:
  DesktopState& desktop_;
  EventLoop& loop_;
  std::uint64_t client_ = 0;
  bool detached_ = false;  // checked out or killed: events no longer reach the program
  std::function<void(const DesktopEvent&)> handler_;
  std::shared_ptr<bool> alive_;
};

}  // namespace platform
