#include "support/LocalHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <utility>

namespace testsupport {

LocalHttpServer::LocalHttpServer() {
  server_.set_keep_alive_max_count(1);
}

LocalHttpServer::~LocalHttpServer() {
  releaseSlowHandlers();
  if (thread_.joinable()) {
    server_.stop();
    thread_.join();
  }
}

void LocalHttpServer::get(const std::string& pattern, Handler handler) {
  server_.Get(pattern, std::move(handler));
}

void LocalHttpServer::start() {
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) {
    throw std::runtime_error("could not bind a port on 127.0.0.1");
  }
  thread_ = std::thread([this] {
    server_.listen_after_bind();
    listenReturned_ = true;
  });
  // The socket already accepts connections; wait until stop() would reach the accept loop, since a
  // stop() before that is ignored by httplib and the loop would then run forever.
  while (!server_.is_running() && !listenReturned_) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

std::string LocalHttpServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LocalHttpServer::waitUntilReleased() {
  std::unique_lock lock(mutex_);
  releasedChanged_.wait(lock, [this] { return released_; });
}

void LocalHttpServer::releaseSlowHandlers() {
  {
    const std::scoped_lock lock(mutex_);
    released_ = true;
  }
  releasedChanged_.notify_all();
}

RefusingLocalPort::RefusingLocalPort() : socket_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (socket_ < 0 || inet_pton(AF_INET, "127.0.0.1", &address.sin_addr) != 1 ||
      bind(socket_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (socket_ >= 0) {
      close(socket_);
    }
    throw std::runtime_error("could not bind a port on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
}

RefusingLocalPort::~RefusingLocalPort() {
  close(socket_);
}

std::string RefusingLocalPort::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

}  // namespace testsupport
