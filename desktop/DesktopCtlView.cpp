#include <pthread.h>

#include <atomic>
#include <csignal>
#include <thread>
#include <utility>

#include "DesktopCtl.h"
#include "ScreenWatch.h"
#include "ViewAccess.h"
#include "ViewServer.h"
#include "platform/Descriptors.h"

// desktopctl's view: the screen served to a web browser on 127.0.0.1 (ViewServer), kept current
// by the daemon's word that it changed (ScreenWatch).

namespace desktop {
namespace {

// SIGINT and SIGTERM blocked in every thread the view starts, and taken by a thread of their own
// that wakes the view. When the view ends, that thread is sent SIGUSR1 to end too, and the signals
// are unblocked again.
class StopSignals {
 public:
  explicit StopSignals(const platform::WakePipe& stop) {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    sigaddset(&signals_, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
    waiter_ = std::thread([this, &stop] {
      int received = SIGUSR1;
      while (received == SIGUSR1 && !ending_) {
        sigwait(&signals_, &received);
      }
      stop.wake();
    });
  }
  ~StopSignals() {
    ending_ = true;
    pthread_kill(waiter_.native_handle(), SIGUSR1);
    waiter_.join();
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  StopSignals(StopSignals&&) = delete;
  StopSignals& operator=(StopSignals&&) = delete;

 private:
  sigset_t signals_{};
  sigset_t previous_{};
  std::atomic<bool> ending_ = false;
  std::thread waiter_;
};

}  // namespace

int DesktopCtl::view(const CtlCommand& command) {
  auto control = connect();
  if (!control) {
    return failed(control.error());
  }
  auto watch = ScreenWatch::start(platform::DesktopChannel::socketPath(desktopFolder_));
  if (!watch) {
    return failed(watch.error());
  }
  auto token = ViewAccess::makeToken();
  if (!token) {
    return failed(token.error());
  }
  const platform::WakePipe stop;
  const StopSignals signals(stop);
  ViewServer server(std::move(*control),
                    {*token, command.appBundles, desktopFolder_ / "root/usr/bin/open"}, launcher_);
  const auto port = server.bind(command.port);
  if (!port) {
    *err_ << "desktopctl: cannot listen on 127.0.0.1 port " << command.port << "\n";
    return 1;
  }
  *out_ << "http://127.0.0.1:" << *port << "/?token=" << *token << "\n" << std::flush;
  std::thread serving([&] {
    server.listen();
    stop.wake();
  });
  watch->run(stop, [&] { server.screenChanged(); });
  server.stop();
  serving.join();
  return 0;
}

}  // namespace desktop
