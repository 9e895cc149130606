#include "platform/DaemonConnection.h"

#include <utility>

#include <nlohmann/json.hpp>

#include "platform/DesktopEvent.h"
#include "platform/DesktopWire.h"

namespace platform {

Result<std::unique_ptr<DaemonConnection>> DaemonConnection::connect(
    const std::filesystem::path& desktopFolder, EventLoop& loop,
    std::chrono::milliseconds replyTimeout) {
  Result<DesktopChannel> channel =
      DesktopChannel::connect(DesktopChannel::socketPath(desktopFolder));
  if (!channel) {
    return std::unexpected(channel.error());
  }
  return std::unique_ptr<DaemonConnection>(
      new DaemonConnection(std::move(*channel), loop, replyTimeout));
}

DaemonConnection::DaemonConnection(DesktopChannel channel, EventLoop& loop,
                                   std::chrono::milliseconds replyTimeout)
    : channel_(std::move(channel)),
      loop_(loop),
      replyTimeout_(replyTimeout),
      source_(loop_.addReadSource(channel_.fileDescriptor(), [this] { socketReadable(); })),
      self_(std::make_shared<DaemonConnection*>(this)) {}

DaemonConnection::~DaemonConnection() {
  *self_ = nullptr;
  if (!ended_) {
    loop_.removeSource(source_);
  }
}

void DaemonConnection::setEventHandler(std::function<void(const DesktopEvent&)> handler) {
  handler_ = std::move(handler);
}

std::optional<ProgramReply> DaemonConnection::send(const ProgramRequest& request) {
  if (ended_) {
    return std::nullopt;
  }
  auto [op, fields] = wire::encodeRequest(request);
  Result<nlohmann::json> reply =
      channel_.request(std::string(op), std::move(fields), replyTimeout_);
  if (!channel_.isOpen()) {
    connectionEnded();
  }
  if (channel_.hasEvents()) {
    scheduleDelivery();
  }
  if (!reply) {
    return std::nullopt;
  }
  return wire::decodeReply(request, *reply);
}

void DaemonConnection::socketReadable() {
  const bool open = channel_.readAvailable();
  if (channel_.hasEvents()) {
    scheduleDelivery();
  }
  if (!open) {
    connectionEnded();
  }
}

void DaemonConnection::scheduleDelivery() {
  if (deliveryScheduled_) {
    return;
  }
  deliveryScheduled_ = true;
  std::weak_ptr<DaemonConnection*> self = self_;
  loop_.async([self] {
    if (const auto alive = self.lock(); alive && *alive != nullptr) {
      (*alive)->deliverEvents();
    }
  });
}

void DaemonConnection::deliverEvents() {
  deliveryScheduled_ = false;
  for (const nlohmann::json& message : channel_.takeEvents()) {
    const std::optional<DesktopEvent> event = wire::decodeEvent(message);
    if (event && handler_) {
      handler_(*event);
    }
  }
}

void DaemonConnection::connectionEnded() {
  if (ended_) {
    return;
  }
  ended_ = true;
  loop_.removeSource(source_);
  // The desktop is gone: the program quits, as it would without its window server.
  std::weak_ptr<DaemonConnection*> self = self_;
  loop_.async([self] {
    if (const auto alive = self.lock(); alive && *alive != nullptr && (*alive)->handler_) {
      (*alive)->handler_(DesktopEvent{DesktopEvent::Kind::terminate, 0, 0, {}});
    }
  });
}

}  // namespace platform
