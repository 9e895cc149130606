#include "platform/DesktopConnection.h"

#include <utility>

namespace platform {

DesktopConnection::DesktopConnection(std::unique_ptr<DesktopTransport> transport)
    : transport_(std::move(transport)) {}

DesktopConnection::~DesktopConnection() = default;

template <typename Request>
typename Request::Reply DesktopConnection::call(Request request) {
  std::optional<ProgramReply> reply = transport_->send(ProgramRequest{std::move(request)});
  if (reply) {
    if (auto* answer = std::get_if<typename Request::Reply>(&*reply)) {
      return std::move(*answer);
    }
  }
  return typename Request::Reply{};
}

void DesktopConnection::setEventHandler(std::function<void(const DesktopEvent&)> handler) {
  transport_->setEventHandler(std::move(handler));
}

void DesktopConnection::checkIn(const ApplicationIdentity& identity, ActivationPolicy policy) {
  call(request::CheckIn{identity, policy});
}

void DesktopConnection::setActivationPolicy(ActivationPolicy policy) {
  call(request::SetActivationPolicy{policy});
}

void DesktopConnection::activate() {
  call(request::Activate{});
}

void DesktopConnection::setHidden(bool hidden) {
  call(request::SetHidden{hidden});
}

void DesktopConnection::publishInterface(const InterfaceRecord& interface) {
  call(request::PublishInterface{interface});
}

void DesktopConnection::playAlertSound() {
  call(request::PlayAlertSound{});
}

void DesktopConnection::checkOut() {
  call(request::CheckOut{});
}

std::vector<RunningApplicationState> DesktopConnection::runningApplications() {
  return call(request::RunningApplications{});
}

std::optional<pid_t> DesktopConnection::frontmostApplication() {
  return call(request::FrontmostApplication{});
}

bool DesktopConnection::hideApplication(pid_t pid) {
  return call(request::HideApplication{pid});
}

bool DesktopConnection::unhideApplication(pid_t pid) {
  return call(request::UnhideApplication{pid});
}

bool DesktopConnection::activateApplication(pid_t pid) {
  return call(request::ActivateApplication{pid});
}

bool DesktopConnection::terminateApplication(pid_t pid) {
  return call(request::TerminateApplication{pid});
}

bool DesktopConnection::forceTerminateApplication(pid_t pid) {
  return call(request::ForceTerminateApplication{pid});
}

bool DesktopConnection::openURL(const std::string& url) {
  return call(request::OpenURL{url});
}

std::int32_t DesktopConnection::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                               std::uint32_t signature, std::uint32_t id,
                                               std::uint64_t& registration) {
  const HotKeyResult result = call(request::RegisterHotKey{keyCode, modifiers, signature, id});
  if (result.status == 0) {
    registration = result.registration;
  }
  return result.status;
}

void DesktopConnection::unregisterHotKey(std::uint64_t registration) {
  call(request::UnregisterHotKey{registration});
}

bool DesktopConnection::requestNotificationAuthorization(std::uint32_t options) {
  return call(request::RequestNotificationAuthorization{options});
}

void DesktopConnection::addNotification(const NotificationRecord& notification) {
  call(request::AddNotification{notification});
}

std::vector<ScreenDescription> DesktopConnection::screens() {
  return call(request::Screens{});
}

std::vector<std::string> DesktopConnection::preferredLanguages() {
  return call(request::PreferredLanguages{});
}

}  // namespace platform
