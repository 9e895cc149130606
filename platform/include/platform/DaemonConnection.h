#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include "platform/DesktopChannel.h"
#include "platform/DesktopConnection.h"
#include "platform/EventLoop.h"

namespace platform {

// A program's line to the emulated desktop's daemon (desktopd): each call is one request on the
// daemon's socket, and the daemon's events are delivered as blocks on the program's loop, in the
// order they came. When the daemon goes away the program is asked to terminate, as a program is
// when its window server ends. Main thread only.
class DaemonConnection final : public DesktopConnection {
 public:
  // Connects to the daemon of the emulated desktop in `desktopFolder`.
  static Result<std::unique_ptr<DaemonConnection>> connect(
      const std::filesystem::path& desktopFolder, EventLoop& loop);

  ~DaemonConnection() override;
  DaemonConnection(const DaemonConnection&) = delete;
  DaemonConnection& operator=(const DaemonConnection&) = delete;
  DaemonConnection(DaemonConnection&&) = delete;
  DaemonConnection& operator=(DaemonConnection&&) = delete;

  void setEventHandler(std::function<void(const DesktopEvent&)> handler) override;
  void checkIn(const ApplicationIdentity& identity, ActivationPolicy policy) override;
  void setActivationPolicy(ActivationPolicy policy) override;
  void activate() override;
  void setHidden(bool hidden) override;
  void publishInterface(const nlohmann::json& interface) override;
  void checkOut() override;
  std::vector<RunningApplicationState> runningApplications() override;
  std::optional<pid_t> frontmostApplication() override;
  bool hideApplication(pid_t pid) override;
  bool unhideApplication(pid_t pid) override;
  bool activateApplication(pid_t pid) override;
  bool terminateApplication(pid_t pid) override;
  bool forceTerminateApplication(pid_t pid) override;
  std::int32_t registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                              std::uint32_t signature, std::uint32_t id,
                              std::uint64_t& registration) override;
  void unregisterHotKey(std::uint64_t registration) override;
  bool requestNotificationAuthorization(std::uint32_t options) override;
  void addNotification(const NotificationRecord& notification) override;
  bool openURL(const std::string& url) override;
  void playAlertSound() override;
  std::vector<ScreenDescription> screens() override;
  std::vector<std::string> preferredLanguages() override;

 private:
  DaemonConnection(DesktopChannel channel, EventLoop& loop);
  // One request; nothing when it failed. Events that came meanwhile are scheduled for delivery.
  std::optional<nlohmann::json> call(const std::string& op,
                                     nlohmann::json fields = nlohmann::json::object());
  bool requestAbout(const std::string& op, pid_t pid);
  void socketReadable();
  void scheduleDelivery();
  void deliverEvents();
  void connectionEnded();

  DesktopChannel channel_;
  EventLoop& loop_;
  EventLoop::SourceId source_{};
  bool deliveryScheduled_ = false;
  bool ended_ = false;  // the daemon went away; the socket is no longer watched
  std::function<void(const DesktopEvent&)> handler_;
  std::shared_ptr<DaemonConnection*> self_;  // lets queued blocks find out that this is gone
};

}  // namespace platform
