#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ApplicationServices.h"
#include "platform/EventLoop.h"

namespace platform {

// The application services of a main-thread-only desktop line, for work on other threads: a call
// from another thread runs on the main loop while the caller waits, so the main thread goes on
// drawing and answering meanwhile. A call from the main thread goes straight through. A call that
// the main loop does not take up within ten seconds (the loop has ended) answers as undelivered.
// Make it on the main thread; it must outlive every call.
class ApplicationServicesForAnyThread final : public ApplicationServices {
 public:
  ApplicationServicesForAnyThread(ApplicationServices& services, EventLoop& mainLoop);

  std::vector<RunningApplicationState> runningApplications() override;
  std::optional<pid_t> frontmostApplication() override;
  bool hideApplication(pid_t pid) override;
  bool unhideApplication(pid_t pid) override;
  bool activateApplication(pid_t pid) override;
  bool terminateApplication(pid_t pid) override;
  bool forceTerminateApplication(pid_t pid) override;
  bool openURL(const std::string& url) override;

 private:
  template <typename Call>
  auto onMainThread(const Call& call) -> decltype(call(std::declval<ApplicationServices&>()));

  ApplicationServices* services_;  // not owned
  EventLoop* mainLoop_;            // not owned
  std::thread::id mainThread_;
};

}  // namespace platform
