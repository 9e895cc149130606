#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "model/DesktopState.h"
#include "platform/EventLoop.h"

namespace desktop {

// The daemon's answer to one request: a result, or a failure with the exit status a command-line
// tool reports for it and a message.
struct Reply {
  bool ok = true;
  nlohmann::json result;
  int status = 0;
  std::string error;

  static Reply success(nlohmann::json result = nullptr) { return {true, std::move(result), 0, {}}; }
  static Reply failure(int status, std::string error) {
    return {false, nullptr, status, std::move(error)};
  }
};

// One client socket of the daemon: a program or a tool. The desktop reaches the program through it.
// Nothing in it blocks: what the socket does not take at once waits, in order, and goes out as the
// client reads. Main thread only.
class ClientConnection final : public platform::DesktopClient {
 public:
  // The most output a client may leave unread. Beyond it the connection breaks, so a client that
  // stops reading costs the daemon neither time nor memory without end. Twice the longest line.
  static constexpr std::size_t maximumUnsentOutput = std::size_t{8} << 20U;

  // Takes over the connected socket `fd` of the process `peer` (0: unknown). `onBroken` runs once,
  // as a block on `loop`, after the connection broke: the client hung up, a send failed or its
  // unsent output passed the bound.
  ClientConnection(int fd, pid_t peer, platform::EventLoop& loop, std::function<void()> onBroken);
  ~ClientConnection() override;
  ClientConnection(const ClientConnection&) = delete;
  ClientConnection& operator=(const ClientConnection&) = delete;
  ClientConnection(ClientConnection&&) = delete;
  ClientConnection& operator=(ClientConnection&&) = delete;

  void deliver(const platform::DesktopEvent& event) override;
  void kill() override;

  // Queues a message and sends what the socket takes now. False once the connection broke.
  bool send(const nlohmann::json& message);
  // The answer to the request with that id.
  bool reply(const nlohmann::json& id, Reply reply);

  int fd() const { return fd_; }
  pid_t peer() const { return peer_; }
  bool broken() const { return broken_; }
  std::string& buffer() { return buffer_; }  // received, not yet a whole line
  std::uint64_t number = 0;                  // the daemon's name for it
  std::uint64_t client = 0;                  // the desktop's
  platform::EventLoop::SourceId source{};

 private:
  // Sends queued output until the socket takes no more, then waits for it to be writable.
  void flush();
  void stopWaitingToWrite();
  void breakOff();

  int fd_;
  pid_t peer_;
  platform::EventLoop& loop_;
  std::function<void()> onBroken_;
  bool broken_ = false;
  std::string buffer_;
  std::deque<std::string> unsent_;  // whole lines; the first one from `sentOfFirst_` on
  std::size_t sentOfFirst_ = 0;
  std::size_t unsentSize_ = 0;
  std::optional<platform::EventLoop::SourceId> writeSource_;
};

}  // namespace desktop
