#pragma once

#include <memory>

#include "platform/ApplicationServices.h"
#include "platform/DesktopTransport.h"
#include "platform/HotKeyServices.h"
#include "platform/NotificationServices.h"
#include "platform/ScreensAndLanguages.h"
#include "platform/WindowServer.h"

namespace platform {

// A program's line to the desktop it runs on, in every role the desktop plays for it: each call is
// one request of the desktop's table, carried by the transport. A request that does not arrive
// answers as nothing happened (false, nothing, an empty list, a refused hot key). Components take
// only the role they use. Main thread only.
class DesktopConnection final : public WindowServer,
                                public ApplicationServices,
                                public HotKeyServices,
                                public NotificationServices,
                                public ScreensAndLanguages {
 public:
  explicit DesktopConnection(std::unique_ptr<DesktopTransport> transport);
  ~DesktopConnection() override;
  DesktopConnection(const DesktopConnection&) = delete;
  DesktopConnection& operator=(const DesktopConnection&) = delete;
  DesktopConnection(DesktopConnection&&) = delete;
  DesktopConnection& operator=(DesktopConnection&&) = delete;

  // WindowServer
  void setEventHandler(std::function<void(const DesktopEvent&)> handler) override;
  void checkIn(const ApplicationIdentity& identity, ActivationPolicy policy) override;
  void setActivationPolicy(ActivationPolicy policy) override;
  void activate() override;
  void setHidden(bool hidden) override;
  void publishInterface(const InterfaceRecord& interface) override;
  void playAlertSound() override;
  void checkOut() override;

  // ApplicationServices
  std::vector<RunningApplicationState> runningApplications() override;
  std::optional<pid_t> frontmostApplication() override;
  bool hideApplication(pid_t pid) override;
  bool unhideApplication(pid_t pid) override;
  bool activateApplication(pid_t pid) override;
  bool terminateApplication(pid_t pid) override;
  bool forceTerminateApplication(pid_t pid) override;
  bool openURL(const std::string& url) override;

  // HotKeyServices
  std::int32_t registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                              std::uint32_t signature, std::uint32_t id,
                              std::uint64_t& registration) override;
  void unregisterHotKey(std::uint64_t registration) override;

  // NotificationServices
  bool requestNotificationAuthorization(std::uint32_t options) override;
  void addNotification(const NotificationRecord& notification) override;

  // ScreensAndLanguages
  std::vector<ScreenDescription> screens() override;
  std::vector<std::string> preferredLanguages() override;

 private:
  template <typename Request>
  typename Request::Reply call(Request request);

  std::unique_ptr<DesktopTransport> transport_;
};

}  // namespace platform
