#pragma once

#include <httplib.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "FrameCache.h"
#include "ScreenChanges.h"
#include "ViewAccess.h"
#include "platform/DesktopChannel.h"
#include "platform/ProcessLauncher.h"

namespace desktop {

// What the view serves and whom it lets in.
struct ViewSettings {
  std::string token;
  std::vector<std::filesystem::path> appBundles;  // what the page can open again
  std::filesystem::path openTool;                 // the desktop's open stand-in
};

// The emulated desktop served to a web browser on 127.0.0.1: the page, the screen's frames, a
// stream of its changes, and clicks, keys and the opening of bundles sent back to the desktop.
// Every request must pass ViewAccess (403 otherwise); malformed input is 400 and reaches nothing.
// The daemon's control channel is shared by httplib's worker threads under a mutex; frames are
// drawn outside it.
class ViewServer {
 public:
  ViewServer(platform::DesktopChannel control, ViewSettings settings,
             platform::ProcessLauncher launcher);
  ViewServer(const ViewServer&) = delete;
  ViewServer& operator=(const ViewServer&) = delete;
  ViewServer(ViewServer&&) = delete;
  ViewServer& operator=(ViewServer&&) = delete;
  ~ViewServer() = default;

  // Listens on 127.0.0.1 at `port`, or at one the system picks when it is 0. The port, or nothing
  // when it cannot be bound.
  std::optional<int> bind(int port);
  // Serves until stop(); false when serving failed.
  bool listen();
  // From any thread: ends the event streams and the server.
  void stop();
  // From the thread that watches the daemon: the screen shows something new.
  void screenChanged() { changes_.changed(); }

 private:
  void route();
  void serveFrame(const httplib::Request& request, httplib::Response& response);
  void serveEvents(httplib::Response& response);
  void click(const httplib::Request& request, httplib::Response& response);
  void key(const httplib::Request& request, httplib::Response& response);
  void open(const httplib::Request& request, httplib::Response& response);
  // A control request's result as the response: 200 with {"done": bool}, 400 when the desktop
  // found it malformed, 503 when the daemon is gone.
  void answer(const platform::Result<nlohmann::json>& result, httplib::Response& response);

  httplib::Server server_;
  std::optional<ViewAccess> access_;  // set once bound, before serving
  ViewSettings settings_;
  std::string page_;
  platform::ProcessLauncher launcher_;
  std::mutex controlMutex_;
  platform::DesktopChannel control_;  // guarded by controlMutex_
  ScreenChanges changes_;
  FrameCache frames_;
  std::atomic<bool> listenEnded_ = false;
};

}  // namespace desktop
