#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ClientConnection.h"
#include "DesktopRequests.h"
#include "Launchd.h"
#include "model/EmulatedDesktop.h"
#include "platform/ControlRequest.h"
#include "platform/EventLoop.h"
#include "platform/ProcessLauncher.h"
#include "platform/WorkItem.h"

namespace desktop {

// The emulated desktop's daemon: one desktop state, served to the programs and tools of one
// emulated desktop over a Unix socket with JSON lines (docs/desktop-protocol.md). Each connection
// is a client of the desktop; one that ends counts as a terminated program. A connection that sends
// something that is not a request is closed; the daemon goes on. Main thread only.
class DesktopDaemon {
 public:
  // A desktop folder taken by a daemon: the folder's lock and the socket listening in it.
  struct Listening {
    int lock = -1;
    int socket = -1;
  };

  // Takes over `listening`, whose socket is bound to `socketFile`: it removes the file and
  // releases the folder when it shuts down. `home` is the user's home (for the login's launch
  // agents).
  DesktopDaemon(Listening listening, std::filesystem::path socketFile, platform::EventLoop& loop,
                std::filesystem::path home);
  ~DesktopDaemon();
  DesktopDaemon(const DesktopDaemon&) = delete;
  DesktopDaemon& operator=(const DesktopDaemon&) = delete;
  DesktopDaemon(DesktopDaemon&&) = delete;
  DesktopDaemon& operator=(DesktopDaemon&&) = delete;

  // Takes the lock of the desktop in `folder` (one daemon per desktop: the lock is held until the
  // daemon shuts down), then binds and listens on its socket, replacing a socket file left behind.
  // Refuses when another daemon holds the folder.
  static platform::Result<Listening> listenIn(const std::filesystem::path& folder);

  platform::EmulatedDesktop& desktop() { return desktop_; }

 private:
  struct Wait {
    std::uint64_t connection = 0;
    nlohmann::json id;
    std::string what;
    std::string name;
    std::shared_ptr<platform::WorkItem> timeout;
  };

  void acceptConnections();
  void readFrom(std::uint64_t number);
  void handleLine(ClientConnection& connection, const std::string& line);
  // A control request: the daemon's own (wait, shutdown) here, the others by `requests_`.
  void serve(ClientConnection& connection, const nlohmann::json& id,
             const platform::ControlRequest& request);
  void startWait(ClientConnection& connection, const nlohmann::json& id,
                 const platform::control::Wait& request);
  // After requests were read or a connection ended: answers the waits whose condition now holds
  // and tells the watchers when what the screen shows has changed.
  void settle();
  void checkWaits();
  void tellWatchers();
  void finishWait(std::uint64_t waitNumber, bool held);
  void close(std::uint64_t number);
  void stopListening();
  void shutdown();

  int lock_;
  int listener_;
  std::filesystem::path socketFile_;
  platform::EventLoop& loop_;
  platform::EventLoop::SourceId listenerSource_{};
  platform::EmulatedDesktop desktop_;
  platform::ProcessLauncher launcher_;
  Launchd launchd_;
  DesktopRequests requests_;
  std::map<std::uint64_t, std::unique_ptr<ClientConnection>> connections_;
  std::uint64_t nextConnection_ = 1;
  std::map<std::uint64_t, Wait> waits_;
  std::uint64_t nextWait_ = 1;
  std::set<std::uint64_t> watchers_;  // connections told of each change of the screen
  platform::ScreenScene watchedScene_;
};

}  // namespace desktop
