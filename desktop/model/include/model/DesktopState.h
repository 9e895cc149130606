#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "model/HotKeyRegistry.h"
#include "model/RunningApplicationsModel.h"
#include "platform/DesktopEvent.h"
#include "platform/DesktopRecords.h"
#include "platform/DesktopRequest.h"
#include "platform/Error.h"
#include "platform/InterfaceRecords.h"

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

// What a desktop holds: the connected programs and what each shows, the running applications and
// the frontmost one, the hot-key registrations of every program, delivered notifications, screens,
// languages and the journal. It answers the programs' requests (see DesktopRequest.h); a program
// is named by the number attach() gave its connection. Main thread only.
class DesktopState {
 public:
  // The built-in application that is always running.
  static constexpr const char* otherApplicationIdentifier = "org.example.other";
  // The journal keeps its latest entries within this many bytes, an entry counting its texts and a
  // share for the rest; older ones are dropped and counted. So it always travels as one line of the
  // wire (4 MiB), even when every character of its texts needs escaping there (six bytes each).
  static constexpr std::size_t journalCapacity = std::size_t{256} << 10U;

  // `alertAppeared` is told each time a program shows a new alert.
  explicit DesktopState(std::function<void()> alertAppeared);

  // The desktop's side of a program's connection, for whatever carries it. `attach` gives the
  // number that names the program; `detach` counts it as terminated.
  std::uint64_t attach(DesktopClient& client);
  void detach(std::uint64_t client);
  // Carries out one request of a program and gives its answer.
  ProgramReply handle(std::uint64_t client, const ProgramRequest& request);

  // Requests about an application, by whoever makes them; false when it is not running (or, for a
  // polite terminate, when it is not one of the desktop's programs).
  bool hideApplication(pid_t pid);
  bool unhideApplication(pid_t pid);
  bool activateApplication(pid_t pid);
  bool terminateApplication(pid_t pid);
  bool forceTerminateApplication(pid_t pid);
  void focusNone() { applications_.focusNone(); }

  std::vector<RunningApplicationState> runningApplications() const;
  std::optional<pid_t> frontmostApplication() const;
  const std::vector<ScreenDescription>& screens() const { return screens_; }
  // Refuses screens the desktop cannot have (see ScreenLimits.h) with a sentence, and keeps the
  // screens it had.
  Result<void> setScreens(std::vector<ScreenDescription> screens);
  const std::vector<std::string>& preferredLanguages() const { return languages_; }
  void setPreferredLanguages(std::vector<std::string> languages) {
    languages_ = std::move(languages);
  }
  // Notifications on screen: one per identifier, the latest replacing an earlier one.
  const std::vector<NotificationRecord>& notifications() const { return notifications_; }
  void setNotificationsAuthorized(bool authorized) { notificationsAuthorized_ = authorized; }
  const std::deque<JournalEntry>& journal() const { return journal_; }
  // How many older entries the journal has dropped to stay within its capacity.
  std::size_t journalEntriesDropped() const { return journalDropped_; }
  void recordProgramStart(pid_t pid, std::string path, std::vector<std::string> arguments);
  std::vector<HotKeyRegistration> hotKeys() const { return hotKeys_.registrations(); }
  // Who holds a key combination, if anyone.
  std::optional<HotKeyMatch> hotKeyOwner(std::uint16_t keyCode, std::uint32_t modifiers) const {
    return hotKeys_.match(keyCode, modifiers);
  }

  // What each program shows, and who shows the frontmost alert or the key window (0: nobody).
  const InterfaceRecord* interfaceOf(std::uint64_t client) const;
  std::uint64_t programShowingAlert() const;
  std::uint64_t programWithKeyWindow() const;
  // The program with that bundle identifier that shows something (0: none).
  std::uint64_t programShowing(const std::string& bundleIdentifier) const;
  // The status items' owners, with their application's bundle identifier.
  std::vector<std::pair<std::uint64_t, std::optional<std::string>>> programsWithStatusItems() const;
  // Everything on screen, each element with its application's bundle identifier.
  ScreenContents screenContents() const;
  // Hands an event to a program; false when it is not connected.
  bool deliver(std::uint64_t client, const DesktopEvent& event);

 private:
  struct Program {
    DesktopClient* client = nullptr;
    std::optional<pid_t> pid;
    InterfaceRecord interface;
    std::size_t alertsSeen = 0;
  };

  Program* program(std::uint64_t client);
  const Program* program(std::uint64_t client) const;
  std::uint64_t clientFor(pid_t pid) const;
  std::string bundleIdentifierOf(const Program& entry) const;
  pid_t pidOf(std::uint64_t client) const;
  // Tells the program with that pid, if it is one of ours, what the desktop did to it. Always true,
  // so that it reads as the last step of a request that succeeded.
  bool tellProgram(pid_t pid, DesktopEvent::Kind kind);
  void addToJournal(JournalEntry entry);

  // One answer per request of the table.
  Done answer(std::uint64_t client, const request::CheckIn& request);
  Done answer(std::uint64_t client, const request::SetActivationPolicy& request);
  Done answer(std::uint64_t client, const request::Activate& request);
  Done answer(std::uint64_t client, const request::SetHidden& request);
  Done answer(std::uint64_t client, const request::PublishInterface& request);
  Done answer(std::uint64_t client, const request::PlayAlertSound& request);
  Done answer(std::uint64_t client, const request::CheckOut& request);
  std::vector<RunningApplicationState> answer(std::uint64_t client,
                                              const request::RunningApplications& request);
  std::optional<pid_t> answer(std::uint64_t client, const request::FrontmostApplication& request);
  bool answer(std::uint64_t client, const request::HideApplication& request);
  bool answer(std::uint64_t client, const request::UnhideApplication& request);
  bool answer(std::uint64_t client, const request::ActivateApplication& request);
  bool answer(std::uint64_t client, const request::TerminateApplication& request);
  bool answer(std::uint64_t client, const request::ForceTerminateApplication& request);
  bool answer(std::uint64_t client, const request::OpenURL& request);
  HotKeyResult answer(std::uint64_t client, const request::RegisterHotKey& request);
  Done answer(std::uint64_t client, const request::UnregisterHotKey& request);
  bool answer(std::uint64_t client, const request::RequestNotificationAuthorization& request);
  Done answer(std::uint64_t client, const request::AddNotification& request);
  std::vector<ScreenDescription> answer(std::uint64_t client, const request::Screens& request);
  std::vector<std::string> answer(std::uint64_t client, const request::PreferredLanguages& request);

  std::function<void()> alertAppeared_;
  std::map<std::uint64_t, Program> programs_;
  std::uint64_t nextClient_ = 1;
  RunningApplicationsModel applications_;
  HotKeyRegistry hotKeys_;
  std::vector<ScreenDescription> screens_;
  std::vector<std::string> languages_;
  std::vector<NotificationRecord> notifications_;
  bool notificationsAuthorized_ = true;
  std::deque<JournalEntry> journal_;
  std::size_t journalSize_ = 0;  // of the entries kept, as the capacity counts them
  std::size_t journalDropped_ = 0;
  std::vector<std::uint64_t> alertOrder_;  // programs in the order their alerts appeared
};

}  // namespace platform
