#include "platform/EventLoop.h"

#include <csignal>
#include <utility>

#include "platform/PollEventLoop.h"

namespace platform {

EventLoop& EventLoop::main() {
  // Never destroyed: worker threads may still queue blocks while the process exits.
  static EventLoop& loop = [] -> EventLoop& {
    // A write past the file-size limit then fails with EFBIG, which the program reports, instead
    // of ending the program half way through a save.
    std::signal(SIGXFSZ, SIG_IGN);
    return *new PollEventLoop();
  }();
  return loop;
}

void EventLoop::async(std::shared_ptr<WorkItem> item) {
  async([item = std::move(item)] { item->perform(); });
}

}  // namespace platform
