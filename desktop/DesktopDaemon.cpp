#include "DesktopDaemon.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <type_traits>
#include <utility>
#include <variant>

#include <nlohmann/json.hpp>

#include "ClientConnection.h"
#include "platform/Descriptors.h"
#include "platform/DesktopChannel.h"
#include "platform/DesktopWire.h"
#include "platform/JsonText.h"

namespace desktop {

namespace wire = platform::wire;

namespace {

// A line longer than this is not a request of ours.
constexpr std::size_t maximumLine = std::size_t{4} << 20U;

Reply refusal(const platform::ControlFailure& failure) {
  return Reply::failure(failure.status, failure.message);
}

platform::Error socketError(const std::string& what) {
  return platform::Error{platform::errorDomain::desktop, errno, what + ": " + std::strerror(errno)};
}

}  // namespace

platform::Result<DesktopDaemon::Listening> DesktopDaemon::listenIn(
    const std::filesystem::path& folder) {
  const std::filesystem::path path = platform::DesktopChannel::socketPath(folder);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string text = path.string();
  if (text.size() >= sizeof(address.sun_path)) {
    return std::unexpected(platform::Error{platform::errorDomain::desktop, ENAMETOOLONG,
                                           "The socket path is too long: " + text});
  }
  std::ranges::copy(text, std::begin(address.sun_path));
  Listening listening;
  const std::filesystem::path lockFile = folder / "desktopd.lock";
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg): open takes the mode as a vararg
  listening.lock = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (listening.lock < 0) {
    return std::unexpected(socketError("Cannot open " + lockFile.string()));
  }
  // The lock belongs to the open file, which a forked child shares: it lasts as long as the
  // daemon, whichever process serves.
  if (::flock(listening.lock, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(listening.lock);
    return std::unexpected(platform::Error{
        platform::errorDomain::desktop, error,
        error == EWOULDBLOCK ? "The emulated desktop in " + folder.string() + " is already running."
                             : "Cannot lock " + lockFile.string() + ": " + std::strerror(error)});
  }
  ::unlink(text.c_str());  // a socket file left by a daemon that ended without cleaning up
  listening.socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the sockets API takes sockaddr*
  if (listening.socket < 0 || !platform::setDescriptorFlags(listening.socket, true) ||
      ::bind(listening.socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(listening.socket, SOMAXCONN) != 0) {
    auto error = socketError("Cannot listen on " + text);
    if (listening.socket >= 0) {
      ::close(listening.socket);
    }
    ::close(listening.lock);
    return std::unexpected(std::move(error));
  }
  return listening;
}

DesktopDaemon::DesktopDaemon(Listening listening, std::filesystem::path socketFile,
                             platform::EventLoop& loop, std::filesystem::path home)
    : lock_(listening.lock),
      listener_(listening.socket),
      socketFile_(std::move(socketFile)),
      loop_(loop),
      // The daemon journals its own starts; its launcher must not report them back to itself.
      // The daemon enters what it starts in its own journal (DesktopRequests::start).
      launcher_(platform::SystemPaths(std::nullopt), {}),
      launchd_(Launchd::Services{
          [this](const std::string& program, const std::vector<std::string>& arguments) {
            return requests_.start(program, arguments);
          },
          [](pid_t pid) { ::kill(pid, SIGTERM); }, [](pid_t pid) { return ::kill(pid, 0) == 0; }}),
      requests_(desktop_, launchd_, launcher_, std::move(home)) {
  listenerSource_ = loop_.addReadSource(listener_, [this] { acceptConnections(); });
}

DesktopDaemon::~DesktopDaemon() {
  for (auto& [number, wait] : waits_) {
    wait.timeout->cancel();
  }
  stopListening();
  while (!connections_.empty()) {
    close(connections_.begin()->first);
  }
}

void DesktopDaemon::stopListening() {
  if (listener_ < 0) {
    return;
  }
  // Nobody can connect from here on: a new daemon may take the folder at once.
  ::unlink(socketFile_.c_str());
  loop_.removeSource(listenerSource_);
  ::close(listener_);
  listener_ = -1;
  // Unlocked rather than only closed: the process that started the daemon may still share it.
  ::flock(lock_, LOCK_UN);
  ::close(lock_);
}

void DesktopDaemon::acceptConnections() {
  for (;;) {
    const int fd = ::accept(listener_, nullptr, nullptr);
    if (fd < 0) {
      return;  // nothing more waiting (or a connection that gave up on the way)
    }
    // Blocking, as a connection accepted on Linux is; some systems hand down the listener's flags.
    if (!platform::prepareSocket(fd, false)) {
      ::close(fd);
      continue;
    }
    const pid_t peer = platform::peerProcess(fd);
    const std::uint64_t number = nextConnection_++;
    auto connection = std::make_unique<ClientConnection>(fd, peer, loop_, [this, number] {
      close(number);
      settle();
    });
    connection->number = number;
    connection->client = desktop_.attach(*connection);
    connection->source = loop_.addReadSource(fd, [this, number] { readFrom(number); });
    connections_.emplace(number, std::move(connection));
  }
}

void DesktopDaemon::readFrom(std::uint64_t number) {
  const auto found = connections_.find(number);
  if (found == connections_.end()) {
    return;
  }
  ClientConnection& connection = *found->second;
  std::array<char, 65536> chunk{};
  const ssize_t received = ::recv(connection.fd(), chunk.data(), chunk.size(), MSG_DONTWAIT);
  if (received < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
    return;
  }
  if (received <= 0) {
    close(number);
    settle();
    return;
  }
  std::string& buffer = connection.buffer();
  buffer.append(chunk.data(), static_cast<std::size_t>(received));
  std::size_t start = 0;
  for (std::size_t end = buffer.find('\n'); end != std::string::npos;
       end = buffer.find('\n', start)) {
    const std::string line = buffer.substr(start, end - start);
    start = end + 1;
    handleLine(connection, line);
    if (connection.broken()) {
      break;
    }
  }
  buffer.erase(0, start);
  if (connection.broken() || buffer.size() > maximumLine) {
    close(number);
  }
  settle();
}

void DesktopDaemon::handleLine(ClientConnection& connection, const std::string& line) {
  const nlohmann::json request = platform::parseJson(line);
  const std::optional<std::string> op = wire::stringAt(request, "op");
  if (!request.is_object() || !op) {
    connection.send({{"ok", false}, {"status", 2}, {"error", "Not a request."}});
    // A client that does not speak the protocol gets no second chance.
    ::shutdown(connection.fd(), SHUT_RDWR);
    return;
  }
  const nlohmann::json id = request.value("id", nlohmann::json());
  try {
    if (auto program = wire::decodeRequest(*op, request)) {
      connection.reply(id, *program ? Reply::success(wire::encodeReply(requests_.answer(
                                          connection.client, connection.peer(), **program)))
                                    : refusal(malformedField(program->error())));
      return;
    }
    auto control = wire::decodeControlRequest(*op, request);
    if (!control) {
      connection.reply(id, Reply::failure(platform::controlStatus::badRequest,
                                          "Unknown request \"" + *op + "\"."));
    } else if (!*control) {
      connection.reply(id, refusal(malformedField(control->error())));
    } else {
      serve(connection, id, **control);
    }
  } catch (const nlohmann::json::exception& error) {
    // A program published something the desktop cannot read.
    connection.reply(id, Reply::failure(platform::controlStatus::badRequest,
                                        std::string("Malformed data: ") + error.what()));
  }
}

void DesktopDaemon::serve(ClientConnection& connection, const nlohmann::json& id,
                          const platform::ControlRequest& request) {
  std::visit(
      [&](const auto& typed) {
        using Request = std::decay_t<decltype(typed)>;
        if constexpr (std::is_same_v<Request, platform::control::Wait>) {
          startWait(connection, id, typed);
        } else if constexpr (std::is_same_v<Request, platform::control::Watch>) {
          if (watchers_.empty()) {
            watchedScene_ = desktop_.scene();
          }
          watchers_.insert(connection.number);
          connection.reply(id, Reply::success());
        } else if constexpr (std::is_same_v<Request, platform::control::Shutdown>) {
          connection.reply(id, Reply::success());
          loop_.async([this] { shutdown(); });
        } else {
          auto answer = requests_.answer(typed);
          connection.reply(
              id,
              answer ? Reply::success(wire::encodeReply(platform::ControlReply{std::move(*answer)}))
                     : refusal(answer.error()));
        }
      },
      request);
}

void DesktopDaemon::startWait(ClientConnection& connection, const nlohmann::json& id,
                              const platform::control::Wait& request) {
  Wait wait{connection.number, id, request.what, request.name.value_or(""), nullptr};
  const std::optional<bool> now = requests_.holds(wait.what, wait.name);
  if (!now || !(request.timeout >= 0) || request.timeout > 86400) {
    connection.reply(id, Reply::failure(platform::controlStatus::badRequest,
                                        "Wait for alert, window, app, gone, shown, hidden or "
                                        "hotkey, with a time-out in seconds."));
    return;
  }
  if (*now) {
    connection.reply(id, Reply::success());
    return;
  }
  const std::uint64_t number = nextWait_++;
  wait.timeout =
      std::make_shared<platform::WorkItem>([this, number] { finishWait(number, false); });
  loop_.asyncAfter(std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double>(request.timeout)),
                   wait.timeout);
  waits_.emplace(number, std::move(wait));
}

void DesktopDaemon::settle() {
  checkWaits();
  tellWatchers();
}

void DesktopDaemon::tellWatchers() {
  if (watchers_.empty()) {
    return;
  }
  platform::ScreenScene scene = desktop_.scene();
  if (scene == watchedScene_) {
    return;
  }
  watchedScene_ = std::move(scene);
  for (const std::uint64_t number : watchers_) {
    if (const auto found = connections_.find(number); found != connections_.end()) {
      found->second->send({{"event", "screenChanged"}});
    }
  }
}

void DesktopDaemon::checkWaits() {
  std::vector<std::uint64_t> held;
  for (const auto& [number, wait] : waits_) {
    if (requests_.holds(wait.what, wait.name).value_or(false)) {
      held.push_back(number);
    }
  }
  for (const std::uint64_t number : held) {
    finishWait(number, true);
  }
}

void DesktopDaemon::finishWait(std::uint64_t waitNumber, bool held) {
  const auto found = waits_.find(waitNumber);
  if (found == waits_.end()) {
    return;
  }
  Wait wait = std::move(found->second);
  waits_.erase(found);
  wait.timeout->cancel();
  const auto connection = connections_.find(wait.connection);
  if (connection == connections_.end()) {
    return;
  }
  const std::string target = wait.name.empty() ? wait.what : wait.what + " " + wait.name;
  connection->second->reply(wait.id, held
                                         ? Reply::success()
                                         : Reply::failure(platform::controlStatus::notThere,
                                                          "Timed out waiting for " + target + "."));
}

void DesktopDaemon::close(std::uint64_t number) {
  const auto found = connections_.find(number);
  if (found == connections_.end()) {
    return;
  }
  loop_.removeSource(found->second->source);
  desktop_.detach(found->second->client);
  connections_.erase(found);
  watchers_.erase(number);
  std::erase_if(waits_, [&](auto& entry) {
    if (entry.second.connection != number) {
      return false;
    }
    entry.second.timeout->cancel();
    return true;
  });
}

void DesktopDaemon::shutdown() {
  stopListening();
  while (!connections_.empty()) {
    close(connections_.begin()->first);
  }
  loop_.stop();
}

}  // namespace desktop
