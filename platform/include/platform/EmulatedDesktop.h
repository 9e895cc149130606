#pragma once

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/DesktopConnection.h"
#include "platform/DesktopEvent.h"
#include "platform/EventLoop.h"
#include "platform/HotKeyRegistry.h"
#include "platform/RunningApplicationsModel.h"

namespace platform {

// A program as the desktop reaches it: the desktop hands it events; how they travel (a queued
// block in this process, a line on a socket) is the client's business.
class DesktopClient {
 public:
  virtual ~DesktopClient() = default;
  virtual void deliver(const DesktopEvent& event) = 0;
  // Ends the program at once (a forced terminate).
  virtual void kill() = 0;
};

// One entry of the desktop's journal: a program started (path and full argument list), a web
// address opened, a notification delivered, or the alert sound.
struct JournalEntry {
  enum class Kind { programStarted, urlOpened, notificationDelivered, alertSound };
  Kind kind = Kind::programStarted;
  std::string path;                    // programStarted
  std::vector<std::string> arguments;  // programStarted
  std::string url;                     // urlOpened
  NotificationRecord notification;     // notificationDelivered
  pid_t pid = 0;                       // who did it, when known
};

// The emulated desktop's state: running applications and the frontmost one, the hot-key
// registrations of every program, what each program shows (status items, windows, alerts),
// delivered notifications, screens, languages and the journal; and the user's hands that drive
// it. One instance serves the programs of one test process (connect()) or, in the desktop daemon,
// of every process. Main thread only.
class EmulatedDesktop {
 public:
  // The built-in application that is always running.
  static constexpr const char* otherApplicationIdentifier = "org.example.other";

  EmulatedDesktop();
  ~EmulatedDesktop();
  EmulatedDesktop(const EmulatedDesktop&) = delete;
  EmulatedDesktop& operator=(const EmulatedDesktop&) = delete;
  EmulatedDesktop(EmulatedDesktop&&) = delete;
  EmulatedDesktop& operator=(EmulatedDesktop&&) = delete;

  // A program in this process: its connection delivers the desktop's events as blocks on `loop`.
  // The connection must not outlive the desktop.
  std::unique_ptr<DesktopConnection> connect(EventLoop& loop);

  // The desktop's side of a program's connection, for whatever carries it. `attach` gives the
  // number that names the program in the other calls; `detach` counts it as terminated.
  std::uint64_t attach(DesktopClient& client);
  void detach(std::uint64_t client);
  void checkIn(std::uint64_t client, const ApplicationIdentity& identity, ActivationPolicy policy);
  void setActivationPolicy(std::uint64_t client, ActivationPolicy policy);
  void activate(std::uint64_t client);
  void setHidden(std::uint64_t client, bool hidden);
  void publishInterface(std::uint64_t client, const nlohmann::json& interface);
  bool hideApplication(pid_t pid);
  bool unhideApplication(pid_t pid);
  bool activateApplication(pid_t pid);
  bool terminateApplication(pid_t pid);
  bool forceTerminateApplication(pid_t pid);
  std::int32_t registerHotKey(std::uint64_t client, std::uint32_t keyCode, std::uint32_t modifiers,
                              std::uint32_t signature, std::uint32_t id,
                              std::uint64_t& registration);
  void unregisterHotKey(std::uint64_t client, std::uint64_t registration);
  bool requestNotificationAuthorization(std::uint64_t client, std::uint32_t options) const;
  void addNotification(std::uint64_t client, const NotificationRecord& notification);
  bool openURL(std::uint64_t client, const std::string& url);
  void playAlertSound(std::uint64_t client);

  // What the desktop holds.
  std::vector<RunningApplicationState> runningApplications() const;
  std::optional<pid_t> frontmostApplication() const;
  const std::vector<ScreenDescription>& screens() const { return screens_; }
  void setScreens(std::vector<ScreenDescription> screens) { screens_ = std::move(screens); }
  const std::vector<std::string>& preferredLanguages() const { return languages_; }
  void setPreferredLanguages(std::vector<std::string> languages) {
    languages_ = std::move(languages);
  }
  // Notifications on screen: one per identifier, the latest replacing an earlier one.
  const std::vector<NotificationRecord>& notifications() const { return notifications_; }
  void setNotificationsAuthorized(bool authorized) { notificationsAuthorized_ = authorized; }
  const std::vector<JournalEntry>& journal() const { return journal_; }
  void recordProgramStart(pid_t pid, std::string path, std::vector<std::string> arguments);
  std::vector<HotKeyRegistration> hotKeys() const { return hotKeys_.registrations(); }

  // The user's hands. Each returns false when what it addresses is not there. Events reach the
  // programs as blocks on their loops: run the loops to let them act.
  bool press(std::string_view shortcutWords);
  bool focus(const std::string& bundleIdentifier);
  void focusNone();
  bool chooseMenuItem(const std::string& title,
                      const std::optional<std::string>& bundleIdentifier = std::nullopt);
  bool click(const std::string& target);
  bool select(const std::string& item, const std::optional<std::string>& popUp = std::nullopt);
  bool key(std::string_view keyWords);
  bool dismissAlert();
  // Answers the next modal alert as soon as it appears (it may first act on the alert's accessory,
  // for example choose a pop-up entry, then click a button).
  void whenAlertAppears(std::function<void(EmulatedDesktop&)> answer);

  // Everything on screen: status items with their menus, windows with their views, alerts.
  nlohmann::json describeScreen() const;
  // The same as text, as `desktopctl show` prints it.
  std::string renderText() const;

 private:
  struct Program {
    DesktopClient* client = nullptr;
    std::optional<pid_t> pid;
    nlohmann::json interface = nlohmann::json::object();
    std::uint64_t alertsSeen = 0;
  };

  Program* programFor(pid_t pid);
  // Tells the program with that pid, if it is one of ours, what the desktop did to it. Always true,
  // so that it reads as the last step of a request that succeeded.
  bool tellProgram(pid_t pid, DesktopEvent::Kind kind);
  Program* program(std::uint64_t client);
  // The program whose alert is frontmost, or whose key window takes input.
  Program* programShowingAlert();
  Program* programWithKeyWindow();
  bool sendInput(Program& entry, nlohmann::json input);
  // Tracks which program's alert is frontmost and runs a scripted answer for a new alert.
  void answerNewAlerts(std::uint64_t client, Program& entry);

  std::map<std::uint64_t, Program> programs_;
  std::uint64_t nextClient_ = 1;
  RunningApplicationsModel applications_;
  HotKeyRegistry hotKeys_;
  std::vector<ScreenDescription> screens_;
  std::vector<std::string> languages_;
  std::vector<NotificationRecord> notifications_;
  bool notificationsAuthorized_ = true;
  std::vector<JournalEntry> journal_;
  std::deque<std::function<void(EmulatedDesktop&)>> alertAnswers_;
  std::vector<std::uint64_t> alertOrder_;  // programs in the order their alerts appeared
};

}  // namespace platform
