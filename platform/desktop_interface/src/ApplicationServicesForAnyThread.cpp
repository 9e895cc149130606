#include "platform/ApplicationServicesForAnyThread.h"

#include <chrono>
#include <future>
#include <memory>

namespace platform {

ApplicationServicesForAnyThread::ApplicationServicesForAnyThread(ApplicationServices& services,
                                                                 EventLoop& mainLoop)
    : services_(&services), mainLoop_(&mainLoop), mainThread_(std::this_thread::get_id()) {}

template <typename Call>
auto ApplicationServicesForAnyThread::onMainThread(const Call& call)
    -> decltype(call(std::declval<ApplicationServices&>())) {
  using Answer = decltype(call(*services_));
  if (std::this_thread::get_id() == mainThread_) {
    return call(*services_);
  }
  auto answer = std::make_shared<std::promise<Answer>>();
  std::future<Answer> future = answer->get_future();
  mainLoop_->async([answer, call, services = services_] { answer->set_value(call(*services)); });
  if (future.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    return Answer{};
  }
  return future.get();
}

std::vector<RunningApplicationState> ApplicationServicesForAnyThread::runningApplications() {
  return onMainThread([](ApplicationServices& services) { return services.runningApplications(); });
}

std::optional<pid_t> ApplicationServicesForAnyThread::frontmostApplication() {
  return onMainThread(
      [](ApplicationServices& services) { return services.frontmostApplication(); });
}

bool ApplicationServicesForAnyThread::hideApplication(pid_t pid) {
  return onMainThread(
      [pid](ApplicationServices& services) { return services.hideApplication(pid); });
}

bool ApplicationServicesForAnyThread::unhideApplication(pid_t pid) {
  return onMainThread(
      [pid](ApplicationServices& services) { return services.unhideApplication(pid); });
}

bool ApplicationServicesForAnyThread::activateApplication(pid_t pid) {
  return onMainThread(
      [pid](ApplicationServices& services) { return services.activateApplication(pid); });
}

bool ApplicationServicesForAnyThread::terminateApplication(pid_t pid) {
  return onMainThread(
      [pid](ApplicationServices& services) { return services.terminateApplication(pid); });
}

bool ApplicationServicesForAnyThread::forceTerminateApplication(pid_t pid) {
  return onMainThread(
      [pid](ApplicationServices& services) { return services.forceTerminateApplication(pid); });
}

bool ApplicationServicesForAnyThread::openURL(const std::string& url) {
  return onMainThread([url](ApplicationServices& services) { return services.openURL(url); });
}

}  // namespace platform
