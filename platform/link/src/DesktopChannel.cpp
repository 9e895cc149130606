#include "platform/DesktopChannel.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <utility>

#include <nlohmann/json.hpp>

#include "platform/Descriptors.h"
#include "platform/DesktopWire.h"
#include "platform/JsonText.h"

namespace platform {

namespace {

// A line longer than this is not a message of ours.
constexpr std::size_t maximumLine = std::size_t{4} << 20U;

Error connectionError(const std::string& what) {
  return Error{errorDomain::desktop, -1, what};
}

bool isReplyTo(const nlohmann::json& message, std::uint64_t id) {
  const auto found = message.find("id");
  return found != message.end() && found->is_number_unsigned() && found->get<std::uint64_t>() == id;
}

Error failure(const nlohmann::json& reply) {
  const auto status = reply.find("status");
  const auto error = reply.find("error");
  return Error{errorDomain::desktop,
               status != reply.end() && status->is_number_integer() ? status->get<int>() : 1,
               error != reply.end() && error->is_string() ? error->get<std::string>()
                                                          : std::string("The request failed.")};
}

}  // namespace

std::filesystem::path DesktopChannel::socketPath(const std::filesystem::path& desktopFolder) {
  return desktopFolder / "desktopd.sock";
}

Result<DesktopChannel> DesktopChannel::connect(const std::filesystem::path& socketPath) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = socketPath.string();
  if (path.size() >= sizeof(address.sun_path)) {
    return std::unexpected(connectionError("The desktop's socket path is too long: " + path));
  }
  std::ranges::copy(path, std::begin(address.sun_path));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0 || !prepareSocket(fd, false)) {
    const int error = errno;
    if (fd >= 0) {
      ::close(fd);
    }
    return std::unexpected(connectionError(std::string("No socket: ") + std::strerror(error)));
  }
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the sockets API takes sockaddr*
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    const int error = errno;
    ::close(fd);
    return std::unexpected(connectionError("The emulated desktop at " + path +
                                           " cannot be reached: " + std::strerror(error)));
  }
  return DesktopChannel(fd);
}

DesktopChannel::~DesktopChannel() {
  close();
}

DesktopChannel::DesktopChannel(DesktopChannel&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      nextId_(other.nextId_),
      buffer_(std::move(other.buffer_)),
      events_(std::move(other.events_)),
      replies_(std::move(other.replies_)) {}

DesktopChannel& DesktopChannel::operator=(DesktopChannel&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = std::exchange(other.fd_, -1);
    nextId_ = other.nextId_;
    buffer_ = std::move(other.buffer_);
    events_ = std::move(other.events_);
    replies_ = std::move(other.replies_);
  }
  return *this;
}

void DesktopChannel::close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

bool DesktopChannel::sendAll(int fd, std::string_view data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t written = sendOnSocket(fd, data.data() + sent, data.size() - sent, 0);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    sent += static_cast<std::size_t>(written);
  }
  return true;
}

void DesktopChannel::splitLines() {
  std::size_t start = 0;
  for (std::size_t end = buffer_.find('\n'); end != std::string::npos;
       end = buffer_.find('\n', start)) {
    nlohmann::json message = parseJson(std::string_view(buffer_).substr(start, end - start));
    start = end + 1;
    if (!message.is_object()) {
      continue;
    }
    if (message.contains("event")) {
      events_.push_back(std::move(message));
    } else {
      replies_.push_back(std::move(message));
    }
  }
  buffer_.erase(0, start);
}

bool DesktopChannel::readAvailable() {
  if (fd_ < 0) {
    return false;
  }
  std::array<char, 65536> chunk{};
  for (;;) {
    const ssize_t received = ::recv(fd_, chunk.data(), chunk.size(), MSG_DONTWAIT);
    if (received > 0) {
      buffer_.append(chunk.data(), static_cast<std::size_t>(received));
      if (buffer_.size() > maximumLine && buffer_.find('\n') == std::string::npos) {
        close();
        return false;
      }
      continue;
    }
    if (received < 0 && errno == EINTR) {
      continue;
    }
    if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      splitLines();
      return true;
    }
    splitLines();
    close();
    return false;
  }
}

std::vector<nlohmann::json> DesktopChannel::takeEvents() {
  std::vector<nlohmann::json> events(std::make_move_iterator(events_.begin()),
                                     std::make_move_iterator(events_.end()));
  events_.clear();
  return events;
}

Result<nlohmann::json> DesktopChannel::request(const std::string& op, nlohmann::json fields,
                                               std::optional<std::chrono::milliseconds> timeout) {
  if (fd_ < 0) {
    return std::unexpected(connectionError("The connection to the emulated desktop has ended."));
  }
  if (!fields.is_object()) {
    fields = nlohmann::json::object();
  }
  const std::uint64_t id = nextId_++;
  fields["op"] = op;
  fields["id"] = id;
  if (!sendAll(fd_, fields.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n")) {
    close();
    return std::unexpected(connectionError("The connection to the emulated desktop has ended."));
  }
  const auto deadline =
      std::chrono::steady_clock::now() + timeout.value_or(std::chrono::milliseconds::zero());
  for (;;) {
    const auto reply = std::ranges::find_if(
        replies_, [&](const nlohmann::json& message) { return isReplyTo(message, id); });
    if (reply != replies_.end()) {
      nlohmann::json message = std::move(*reply);
      replies_.erase(reply);
      if (const auto ok = message.find("ok"); ok != message.end() && ok->is_boolean() && *ok) {
        return message.contains("result") ? message["result"] : nlohmann::json();
      }
      return std::unexpected(failure(message));
    }
    int wait = -1;
    if (timeout) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        close();
        return std::unexpected(connectionError("The emulated desktop did not answer in time."));
      }
      wait = static_cast<int>(std::min<std::chrono::milliseconds::rep>(left.count(), INT_MAX));
    }
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, wait);
    if (ready < 0 && errno != EINTR) {
      close();
      return std::unexpected(connectionError("The connection to the emulated desktop failed."));
    }
    if (ready <= 0) {
      continue;  // interrupted, or the time is up: looked at again above
    }
    if (!readAvailable()) {
      // The reply may have come with the last bytes before the end.
      if (std::ranges::none_of(
              replies_, [&](const nlohmann::json& message) { return isReplyTo(message, id); })) {
        return std::unexpected(
            connectionError("The connection to the emulated desktop has ended."));
      }
    }
  }
}

Result<nlohmann::json> DesktopChannel::request(const ProgramRequest& request) {
  auto [op, fields] = wire::encodeRequest(request);
  return this->request(std::string(op), std::move(fields));
}

Result<nlohmann::json> DesktopChannel::request(const ControlRequest& request) {
  auto [op, fields] = wire::encodeRequest(request);
  return this->request(std::string(op), std::move(fields));
}

}  // namespace platform
