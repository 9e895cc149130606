#include "platform/DaemonConnection.h"

#include <limits>
#include <utility>

#include <nlohmann/json.hpp>

#include "platform/DesktopEvent.h"
#include "platform/DesktopWire.h"

namespace platform {

Result<std::unique_ptr<DaemonConnection>> DaemonConnection::connect(
    const std::filesystem::path& desktopFolder, EventLoop& loop) {
  Result<DesktopChannel> channel =
      DesktopChannel::connect(DesktopChannel::socketPath(desktopFolder));
  if (!channel) {
    return std::unexpected(channel.error());
  }
  return std::unique_ptr<DaemonConnection>(new DaemonConnection(std::move(*channel), loop));
}

DaemonConnection::DaemonConnection(DesktopChannel channel, EventLoop& loop)
    : channel_(std::move(channel)),
      loop_(loop),
      source_(loop_.addReadSource(channel_.fileDescriptor(), [this] { socketReadable(); })),
      self_(std::make_shared<DaemonConnection*>(this)) {}

DaemonConnection::~DaemonConnection() {
  *self_ = nullptr;
  if (!ended_) {
    loop_.removeSource(source_);
  }
}

void DaemonConnection::setEventHandler(std::function<void(const DesktopEvent&)> handler) {
  handler_ = std::move(handler);
}

std::optional<nlohmann::json> DaemonConnection::call(const std::string& op, nlohmann::json fields) {
  if (ended_) {
    return std::nullopt;
  }
  Result<nlohmann::json> reply = channel_.request(op, std::move(fields));
  if (!channel_.isOpen()) {
    connectionEnded();
  }
  if (channel_.hasEvents()) {
    scheduleDelivery();
  }
  if (!reply) {
    return std::nullopt;
  }
  return std::move(*reply);
}

void DaemonConnection::socketReadable() {
  const bool open = channel_.readAvailable();
  if (channel_.hasEvents()) {
    scheduleDelivery();
  }
  if (!open) {
    connectionEnded();
  }
}

void DaemonConnection::scheduleDelivery() {
  if (deliveryScheduled_) {
    return;
  }
  deliveryScheduled_ = true;
  std::weak_ptr<DaemonConnection*> self = self_;
  loop_.async([self] {
    if (const auto alive = self.lock(); alive && *alive != nullptr) {
      (*alive)->deliverEvents();
    }
  });
}

void DaemonConnection::deliverEvents() {
  deliveryScheduled_ = false;
  for (const nlohmann::json& message : channel_.takeEvents()) {
    const std::optional<DesktopEvent> event = wire::decodeEvent(message);
    if (event && handler_) {
      handler_(*event);
    }
  }
}

void DaemonConnection::connectionEnded() {
  if (ended_) {
    return;
  }
  ended_ = true;
  loop_.removeSource(source_);
  // The desktop is gone: the program quits, as it would without its window server.
  std::weak_ptr<DaemonConnection*> self = self_;
  loop_.async([self] {
    if (const auto alive = self.lock(); alive && *alive != nullptr && (*alive)->handler_) {
      (*alive)->handler_(DesktopEvent{DesktopEvent::Kind::terminate, 0, 0, {}});
    }
  });
}

void DaemonConnection::checkIn(const ApplicationIdentity& identity, ActivationPolicy policy) {
  call("checkIn", {{"identity", wire::encode(identity)}, {"policy", wire::policyName(policy)}});
}

void DaemonConnection::setActivationPolicy(ActivationPolicy policy) {
  call("setActivationPolicy", {{"policy", wire::policyName(policy)}});
}

void DaemonConnection::activate() {
  call("activate");
}

void DaemonConnection::setHidden(bool hidden) {
  call("setHidden", {{"hidden", hidden}});
}

void DaemonConnection::publishInterface(const nlohmann::json& interface) {
  call("publishInterface", {{"interface", interface}});
}

void DaemonConnection::checkOut() {
  call("checkOut");
}

std::vector<RunningApplicationState> DaemonConnection::runningApplications() {
  std::vector<RunningApplicationState> applications;
  if (const auto reply = call("runningApplications"); reply && reply->is_array()) {
    for (const nlohmann::json& element : *reply) {
      if (auto application = wire::decodeApplication(element)) {
        applications.push_back(std::move(*application));
      }
    }
  }
  return applications;
}

std::optional<pid_t> DaemonConnection::frontmostApplication() {
  const auto reply = call("frontmostApplication");
  return reply ? wire::decodePid(*reply) : std::nullopt;
}

bool DaemonConnection::requestAbout(const std::string& op, pid_t pid) {
  const auto reply = call(op, {{"pid", pid}});
  return reply && reply->is_boolean() && reply->get<bool>();
}

bool DaemonConnection::hideApplication(pid_t pid) {
  return requestAbout("hideApplication", pid);
}

bool DaemonConnection::unhideApplication(pid_t pid) {
  return requestAbout("unhideApplication", pid);
}

bool DaemonConnection::activateApplication(pid_t pid) {
  return requestAbout("activateApplication", pid);
}

bool DaemonConnection::terminateApplication(pid_t pid) {
  return requestAbout("terminateApplication", pid);
}

bool DaemonConnection::forceTerminateApplication(pid_t pid) {
  return requestAbout("forceTerminateApplication", pid);
}

std::int32_t DaemonConnection::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                              std::uint32_t signature, std::uint32_t id,
                                              std::uint64_t& registration) {
  // Without the desktop no key can be made global.
  constexpr std::int32_t notRegistered = -9878;
  const auto reply = call(
      "registerHotKey",
      {{"keyCode", keyCode}, {"modifiers", modifiers}, {"signature", signature}, {"hotKeyId", id}});
  if (!reply) {
    return notRegistered;
  }
  const auto status = wire::integerAt(*reply, "status");
  if (!status || *status < std::numeric_limits<std::int32_t>::min() ||
      *status > std::numeric_limits<std::int32_t>::max()) {
    return notRegistered;
  }
  if (*status == 0) {
    const auto handle = wire::unsignedAt(*reply, "registration");
    if (!handle) {
      return notRegistered;
    }
    registration = *handle;
  }
  return static_cast<std::int32_t>(*status);
}

void DaemonConnection::unregisterHotKey(std::uint64_t registration) {
  call("unregisterHotKey", {{"registration", registration}});
}

bool DaemonConnection::requestNotificationAuthorization(std::uint32_t options) {
  const auto reply = call("requestNotificationAuthorization", {{"options", options}});
  return reply && reply->is_boolean() && reply->get<bool>();
}

void DaemonConnection::addNotification(const NotificationRecord& notification) {
  call("addNotification", {{"notification", wire::encode(notification)}});
}

bool DaemonConnection::openURL(const std::string& url) {
  const auto reply = call("openURL", {{"url", url}});
  return reply && reply->is_boolean() && reply->get<bool>();
}

void DaemonConnection::playAlertSound() {
  call("playAlertSound");
}

std::vector<ScreenDescription> DaemonConnection::screens() {
  std::vector<ScreenDescription> screens;
  if (const auto reply = call("screens"); reply && reply->is_array()) {
    for (const nlohmann::json& element : *reply) {
      if (auto screen = wire::decodeScreen(element)) {
        screens.push_back(std::move(*screen));
      }
    }
  }
  return screens;
}

std::vector<std::string> DaemonConnection::preferredLanguages() {
  std::vector<std::string> languages;
  if (const auto reply = call("preferredLanguages"); reply && reply->is_array()) {
    for (const nlohmann::json& element : *reply) {
      if (element.is_string()) {
        languages.push_back(element.get<std::string>());
      }
    }
  }
  return languages;
}

}  // namespace platform
