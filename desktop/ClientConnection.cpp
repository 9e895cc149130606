#include "ClientConnection.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <utility>

#include "platform/Descriptors.h"
#include "platform/DesktopWire.h"

namespace desktop {

ClientConnection::ClientConnection(int fd, pid_t peer, platform::EventLoop& loop,
                                   std::function<void()> onBroken)
    : fd_(fd), peer_(peer), loop_(loop), onBroken_(std::move(onBroken)) {}

ClientConnection::~ClientConnection() {
  stopWaitingToWrite();
  ::close(fd_);
}

void ClientConnection::deliver(const platform::DesktopEvent& event) {
  send(platform::wire::encode(event));
}

void ClientConnection::kill() {
  if (peer_ > 0) {
    ::kill(peer_, SIGKILL);
  }
}

bool ClientConnection::send(const nlohmann::json& message) {
  if (broken_) {
    return false;
  }
  std::string line = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  unsentSize_ += line.size();
  unsent_.push_back(std::move(line));
  if (unsentSize_ - sentOfFirst_ > maximumUnsentOutput) {
    breakOff();
    return false;
  }
  if (!writeSource_) {
    flush();
  }
  return !broken_;
}

bool ClientConnection::reply(const nlohmann::json& id, Reply reply) {
  nlohmann::json message = {{"id", id}, {"ok", reply.ok}};
  if (reply.ok) {
    message["result"] = std::move(reply.result);
  } else {
    message["status"] = reply.status;
    message["error"] = std::move(reply.error);
  }
  return send(message);
}

void ClientConnection::flush() {
  while (!unsent_.empty()) {
    const std::string& first = unsent_.front();
    const ssize_t written = platform::sendOnSocket(fd_, first.data() + sentOfFirst_,
                                                   first.size() - sentOfFirst_, MSG_DONTWAIT);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!writeSource_) {
        writeSource_ = loop_.addWriteSource(fd_, [this] { flush(); });
      }
      return;
    }
    if (written < 0) {
      breakOff();
      return;
    }
    sentOfFirst_ += static_cast<std::size_t>(written);
    if (sentOfFirst_ == first.size()) {
      unsentSize_ -= first.size();
      sentOfFirst_ = 0;
      unsent_.pop_front();
    }
  }
  stopWaitingToWrite();
}

void ClientConnection::stopWaitingToWrite() {
  if (writeSource_) {
    loop_.removeSource(*writeSource_);
    writeSource_.reset();
  }
}

void ClientConnection::breakOff() {
  broken_ = true;
  unsent_.clear();
  unsentSize_ = 0;
  sentOfFirst_ = 0;
  stopWaitingToWrite();
  loop_.async(std::move(onBroken_));
}

}  // namespace desktop
