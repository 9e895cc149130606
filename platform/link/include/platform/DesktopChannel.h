#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/ControlRequest.h"
#include "platform/DesktopRequest.h"
#include "platform/Error.h"

namespace platform {

// One connection to the emulated desktop's daemon: JSON objects, one per line, over its Unix socket
// (see docs/desktop-protocol.md). Requests wait for their reply; events that arrive meanwhile are
// kept in order for takeEvents(). Not thread-safe: one owner at a time.
class DesktopChannel {
 public:
  // The daemon's socket in an emulated desktop's folder.
  static std::filesystem::path socketPath(const std::filesystem::path& desktopFolder);

  // Sends all of the data on a connected socket (without SIGPIPE); false when the other end is gone
  // or a send failed.
  static bool sendAll(int fd, std::string_view data);

  static Result<DesktopChannel> connect(const std::filesystem::path& socketPath);

  ~DesktopChannel();
  DesktopChannel(DesktopChannel&& other) noexcept;
  DesktopChannel& operator=(DesktopChannel&& other) noexcept;
  DesktopChannel(const DesktopChannel&) = delete;
  DesktopChannel& operator=(const DesktopChannel&) = delete;

  // Sends {"op": op, "id": n, ...fields} and blocks until its reply, or, with a time-out, at most
  // that long: a daemon that does not answer in time counts as gone, and the connection is closed.
  // The result on success; on failure an error in errorDomain::desktop whose code is the reply's
  // status and whose description is its message, or code -1 when the daemon could not be reached,
  // did not answer in time or the connection ended.
  Result<nlohmann::json> request(const std::string& op,
                                 nlohmann::json fields = nlohmann::json::object(),
                                 std::optional<std::chrono::milliseconds> timeout = std::nullopt);

  // A request of either of the desktop's tables, written by the wire coder (DesktopWire.h), and
  // its reply's result, as above.
  Result<nlohmann::json> request(const ProgramRequest& request);
  Result<nlohmann::json> request(const ControlRequest& request);

  // The socket, for an event loop to watch for events.
  int fileDescriptor() const { return fd_; }
  // Reads what has arrived without blocking and keeps the events. False once the connection ended.
  bool readAvailable();
  // The events received so far, oldest first, removed from the channel.
  std::vector<nlohmann::json> takeEvents();
  bool hasEvents() const { return !events_.empty(); }
  bool isOpen() const { return fd_ >= 0; }

 private:
  explicit DesktopChannel(int fd) : fd_(fd) {}
  // Moves complete lines from the buffer: events to the event queue, replies to the reply queue.
  void splitLines();
  void close();

  int fd_ = -1;
  std::uint64_t nextId_ = 1;
  std::string buffer_;
  std::deque<nlohmann::json> events_;
  std::deque<nlohmann::json> replies_;
};

}  // namespace platform
