#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include "platform/DesktopChannel.h"
#include "platform/DesktopTransport.h"
#include "platform/EventLoop.h"

namespace platform {

// A program's line to the emulated desktop's daemon (desktopd): each request is one line on the
// daemon's socket, and the daemon's events are delivered as blocks on the program's loop, in the
// order they came. When the daemon goes away (its socket closes, or it leaves a request without a
// reply for `replyTimeout`) the program is asked to terminate, as a program is when its window
// server ends. Main thread only.
class DaemonConnection final : public DesktopTransport {
 public:
  // How long a request waits for the daemon's reply unless told otherwise. The daemon answers every
  // request of a program at once, so this only bounds the wait for one that has stopped.
  static constexpr std::chrono::milliseconds defaultReplyTimeout{5000};

  // Connects to the daemon of the emulated desktop in `desktopFolder`.
  static Result<std::unique_ptr<DaemonConnection>> connect(
      const std::filesystem::path& desktopFolder, EventLoop& loop,
      std::chrono::milliseconds replyTimeout = defaultReplyTimeout);

  ~DaemonConnection() override;
  DaemonConnection(const DaemonConnection&) = delete;
  DaemonConnection& operator=(const DaemonConnection&) = delete;
  DaemonConnection(DaemonConnection&&) = delete;
  DaemonConnection& operator=(DaemonConnection&&) = delete;

  // DesktopTransport
  void setEventHandler(std::function<void(const DesktopEvent&)> handler) override;
  std::optional<ProgramReply> send(const ProgramRequest& request) override;

 private:
  DaemonConnection(DesktopChannel channel, EventLoop& loop, std::chrono::milliseconds replyTimeout);
  void socketReadable();
  void scheduleDelivery();
  void deliverEvents();
  void connectionEnded();

  DesktopChannel channel_;
  EventLoop& loop_;
  std::chrono::milliseconds replyTimeout_;
  EventLoop::SourceId source_{};
  bool deliveryScheduled_ = false;
  bool ended_ = false;  // the daemon went away; the socket is no longer watched
  std::function<void(const DesktopEvent&)> handler_;
  std::shared_ptr<DaemonConnection*> self_;  // lets queued blocks find out that this is gone
};

}  // namespace platform
