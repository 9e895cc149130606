#pragma once

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace testsupport {

// An HTTP server on 127.0.0.1 for tests. Register GET handlers, then start(); it serves on a thread
// of its own until it is destroyed. Every response closes its connection, so stopping never waits
// for idle clients.
class LocalHttpServer {
 public:
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

  LocalHttpServer();
  // Releases slow handlers, stops serving and waits for the server's threads.
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;
  LocalHttpServer(LocalHttpServer&&) = delete;
  LocalHttpServer& operator=(LocalHttpServer&&) = delete;

  // Answers GET requests whose path matches `pattern` (a regular expression, as httplib takes it).
  // Handlers run on the server's worker threads. Call before start().
  void get(const std::string& pattern, Handler handler);

  // Listens on a free port of 127.0.0.1 and starts serving. Throws std::runtime_error when no port
  // can be bound.
  void start();

  [[nodiscard]] int port() const { return port_; }
  // "http://127.0.0.1:<port><path>"
  [[nodiscard]] std::string url(const std::string& path) const;

  // For a handler that must keep its request open: blocks until releaseSlowHandlers() is called or
  // the server is destroyed.
  void waitUntilReleased();
  void releaseSlowHandlers();

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> listenReturned_ = false;

  std::mutex mutex_;
  std::condition_variable releasedChanged_;
  bool released_ = false;  // guarded by mutex_
};

// A port of 127.0.0.1 that is bound but never listened on, so that connecting to it is refused for
// as long as the object lives.
class RefusingLocalPort {
 public:
  // Throws std::runtime_error when no port can be bound.
  RefusingLocalPort();
  ~RefusingLocalPort();
  RefusingLocalPort(const RefusingLocalPort&) = delete;
  RefusingLocalPort& operator=(const RefusingLocalPort&) = delete;
  RefusingLocalPort(RefusingLocalPort&&) = delete;
  RefusingLocalPort& operator=(RefusingLocalPort&&) = delete;

  [[nodiscard]] int port() const { return port_; }
  // "http://127.0.0.1:<port><path>"
  [[nodiscard]] std::string url(const std::string& path) const;

 private:
  int socket_ = -1;
  int port_ = 0;
};

}  // namespace testsupport
