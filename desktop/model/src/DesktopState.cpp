#include "model/DesktopState.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>

#include "model/InterfaceQueries.h"
#include "model/ScreenLimits.h"

namespace platform {
namespace {

// The pid under which the built-in application runs; no program of ours ever has it.
constexpr pid_t otherApplicationPid = 1;

// What an entry counts against the journal's capacity: its texts and a share for the rest.
std::size_t journalSize(const JournalEntry& entry) {
  constexpr std::size_t frame = 64;  // its kind, pid and the names of its fields
  std::size_t size = frame + entry.path.size() + entry.url.size() +
                     entry.notification.identifier.size() + entry.notification.title.size() +
                     entry.notification.body.size();
  for (const std::string& argument : entry.arguments) {
    size += argument.size() + 4;  // quotes and a comma
  }
  return size;
}

}  // namespace

DesktopState::DesktopState(std::function<void()> alertAppeared)
    : alertAppeared_(std::move(alertAppeared)),
      screens_{ScreenDescription{"Built-in Display", 1, Rect{0, 0, 1512, 982}, 2.0}},
      languages_{"en-US"} {
  applications_.launch(RunningApplicationState{otherApplicationPid, otherApplicationIdentifier,
                                               "/System/Applications/Other.app",
                                               ActivationPolicy::regular, false, false, false});
}

std::uint64_t DesktopState::attach(DesktopClient& client) {
  const std::uint64_t number = nextClient_++;
  programs_[number].client = &client;
  return number;
}

void DesktopState::detach(std::uint64_t client) {
  const auto it = programs_.find(client);
  if (it == programs_.end()) {
    return;
  }
  if (const std::optional<pid_t> pid = it->second.pid) {
    applications_.terminate(*pid);
  }
  hotKeys_.releaseAll(client);
  std::erase(alertOrder_, client);
  programs_.erase(it);
}

ProgramReply DesktopState::handle(std::uint64_t client, const ProgramRequest& request) {
  return std::visit(
      [&](const auto& typed) -> ProgramReply { return ProgramReply{answer(client, typed)}; },
      request);
}

Done DesktopState::answer(std::uint64_t client, const request::CheckIn& request) {
  Program* entry = program(client);
  if (entry != nullptr && !entry->pid) {
    entry->pid = request.identity.pid;
    applications_.launch(
        RunningApplicationState{request.identity.pid, request.identity.bundleIdentifier,
                                request.identity.bundlePath, request.policy, false, false, false});
  }
  return {};
}

Done DesktopState::answer(std::uint64_t client, const request::SetActivationPolicy& request) {
  if (const Program* entry = program(client); entry != nullptr && entry->pid) {
    applications_.setActivationPolicy(*entry->pid, request.policy);
  }
  return {};
}

Done DesktopState::answer(std::uint64_t client, const request::Activate& /*request*/) {
  if (const Program* entry = program(client); entry != nullptr && entry->pid) {
    applications_.activate(*entry->pid);
  }
  return {};
}

Done DesktopState::answer(std::uint64_t client, const request::SetHidden& request) {
  if (const Program* entry = program(client); entry != nullptr && entry->pid) {
    if (request.hidden) {
      applications_.hide(*entry->pid);
    } else {
      applications_.unhide(*entry->pid);
    }
  }
  return {};
}

Done DesktopState::answer(std::uint64_t client, const request::PublishInterface& request) {
  Program* entry = program(client);
  if (entry == nullptr) {
    return {};
  }
  entry->interface = request.interface;
  // Tracks which program's alert is frontmost, and tells whoever answers alerts of a new one.
  const std::size_t alerts = entry->interface.alerts.size();
  std::erase(alertOrder_, client);
  if (alerts > 0) {
    alertOrder_.push_back(client);
  }
  const bool appeared = alerts > entry->alertsSeen;
  entry->alertsSeen = alerts;
  if (appeared && alertAppeared_) {
    alertAppeared_();
  }
  return {};
}

Done DesktopState::answer(std::uint64_t client, const request::PlayAlertSound& /*request*/) {
  JournalEntry entry;
  entry.kind = JournalEntry::Kind::alertSound;
  entry.pid = pidOf(client);
  addToJournal(std::move(entry));
  return {};
}

Done DesktopState::answer(std::uint64_t client, const request::CheckOut& /*request*/) {
  detach(client);
  return {};
}

std::vector<RunningApplicationState> DesktopState::answer(
    std::uint64_t /*client*/, const request::RunningApplications& /*request*/) {
  return runningApplications();
}

std::optional<pid_t> DesktopState::answer(std::uint64_t /*client*/,
                                          const request::FrontmostApplication& /*request*/) {
  return frontmostApplication();
}

bool DesktopState::answer(std::uint64_t /*client*/, const request::HideApplication& request) {
  return hideApplication(request.pid);
}

bool DesktopState::answer(std::uint64_t /*client*/, const request::UnhideApplication& request) {
  return unhideApplication(request.pid);
}

bool DesktopState::answer(std::uint64_t /*client*/, const request::ActivateApplication& request) {
  return activateApplication(request.pid);
}

bool DesktopState::answer(std::uint64_t /*client*/, const request::TerminateApplication& request) {
  return terminateApplication(request.pid);
}

bool DesktopState::answer(std::uint64_t /*client*/,
                          const request::ForceTerminateApplication& request) {
  return forceTerminateApplication(request.pid);
}

bool DesktopState::answer(std::uint64_t client, const request::OpenURL& request) {
  JournalEntry entry;
  entry.kind = JournalEntry::Kind::urlOpened;
  entry.url = request.url;
  entry.pid = pidOf(client);
  addToJournal(std::move(entry));
  return true;
}

HotKeyResult DesktopState::answer(std::uint64_t client, const request::RegisterHotKey& request) {
  HotKeyResult result;
  result.status = hotKeys_.registerHotKey(client, static_cast<std::uint16_t>(request.keyCode),
                                          request.modifiers, request.signature, request.id,
                                          result.registration);
  return result;
}

Done DesktopState::answer(std::uint64_t client, const request::UnregisterHotKey& request) {
  hotKeys_.unregisterHotKey(client, request.registration);
  return {};
}

bool DesktopState::answer(std::uint64_t /*client*/,
                          const request::RequestNotificationAuthorization& /*request*/) {
  return notificationsAuthorized_;
}

Done DesktopState::answer(std::uint64_t client, const request::AddNotification& request) {
  if (!notificationsAuthorized_) {
    return {};
  }
  const NotificationRecord& notification = request.notification;
  std::erase_if(notifications_, [&](const NotificationRecord& shown) {
    return shown.identifier == notification.identifier;
  });
  notifications_.push_back(notification);
  JournalEntry entry;
  entry.kind = JournalEntry::Kind::notificationDelivered;
  entry.notification = notification;
  entry.pid = pidOf(client);
  addToJournal(std::move(entry));
  return {};
}

std::vector<ScreenDescription> DesktopState::answer(std::uint64_t /*client*/,
                                                    const request::Screens& /*request*/) {
  return screens_;
}

std::vector<std::string> DesktopState::answer(std::uint64_t /*client*/,
                                              const request::PreferredLanguages& /*request*/) {
  return languages_;
}

bool DesktopState::hideApplication(pid_t pid) {
  return applications_.hide(pid) && tellProgram(pid, DesktopEvent::Kind::hide);
}

bool DesktopState::unhideApplication(pid_t pid) {
  return applications_.unhide(pid) && tellProgram(pid, DesktopEvent::Kind::unhide);
}

bool DesktopState::activateApplication(pid_t pid) {
  return applications_.activate(pid) && tellProgram(pid, DesktopEvent::Kind::activate);
}

bool DesktopState::tellProgram(pid_t pid, DesktopEvent::Kind kind) {
  if (const std::uint64_t client = clientFor(pid); client != 0) {
    deliver(client, DesktopEvent{kind, 0, 0, {}});
  }
  return true;
}

bool DesktopState::terminateApplication(pid_t pid) {
  const std::uint64_t client = clientFor(pid);
  return client != 0 && deliver(client, DesktopEvent{DesktopEvent::Kind::terminate, 0, 0, {}});
}

bool DesktopState::forceTerminateApplication(pid_t pid) {
  const std::uint64_t client = clientFor(pid);
  if (client == 0) {
    return false;
  }
  program(client)->client->kill();
  detach(client);
  return true;
}

void DesktopState::recordProgramStart(pid_t pid, std::string path,
                                      std::vector<std::string> arguments) {
  JournalEntry entry;
  entry.kind = JournalEntry::Kind::programStarted;
  entry.pid = pid;
  entry.path = std::move(path);
  entry.arguments = std::move(arguments);
  addToJournal(std::move(entry));
}

Result<void> DesktopState::setScreens(std::vector<ScreenDescription> screens) {
  if (auto problem = screensProblem(screens)) {
    return std::unexpected(std::move(*problem));
  }
  screens_ = std::move(screens);
  return {};
}

void DesktopState::addToJournal(JournalEntry entry) {
  journalSize_ += journalSize(entry);
  journal_.push_back(std::move(entry));
  while (journalSize_ > journalCapacity && !journal_.empty()) {
    journalSize_ -= journalSize(journal_.front());
    journal_.pop_front();
    ++journalDropped_;
  }
}

std::vector<RunningApplicationState> DesktopState::runningApplications() const {
  return applications_.applications();
}

std::optional<pid_t> DesktopState::frontmostApplication() const {
  return applications_.frontmost();
}

const InterfaceRecord* DesktopState::interfaceOf(std::uint64_t client) const {
  const Program* entry = program(client);
  return entry != nullptr ? &entry->interface : nullptr;
}

std::uint64_t DesktopState::programShowingAlert() const {
  return alertOrder_.empty() ? 0 : alertOrder_.back();
}

std::uint64_t DesktopState::programWithKeyWindow() const {
  if (const auto front = applications_.frontmost()) {
    if (const std::uint64_t client = clientFor(*front);
        client != 0 && keyWindowOf(program(client)->interface) != nullptr) {
      return client;
    }
  }
  for (const auto& [client, entry] : programs_) {
    if (keyWindowOf(entry.interface) != nullptr) {
      return client;
    }
  }
  return 0;
}

std::uint64_t DesktopState::programShowing(const std::string& bundleIdentifier) const {
  for (const auto& [client, entry] : programs_) {
    if (entry.interface != InterfaceRecord{} && bundleIdentifierOf(entry) == bundleIdentifier) {
      return client;
    }
  }
  return 0;
}

std::vector<std::pair<std::uint64_t, std::optional<std::string>>>
DesktopState::programsWithStatusItems() const {
  std::vector<std::pair<std::uint64_t, std::optional<std::string>>> owners;
  for (const auto& [client, entry] : programs_) {
    if (!entry.interface.statusItems.empty() && entry.pid) {
      const auto state = applications_.application(*entry.pid);
      owners.emplace_back(client, state ? state->bundleIdentifier : std::nullopt);
    }
  }
  return owners;
}

ScreenContents DesktopState::screenContents() const {
  ScreenContents screen;
  for (const auto& [client, entry] : programs_) {
    const std::string owner = bundleIdentifierOf(entry);
    for (const StatusItemRecord& item : entry.interface.statusItems) {
      screen.statusItems.push_back({owner, item});
    }
    for (const WindowRecord& window : entry.interface.windows) {
      if (window.visible) {
        screen.windows.push_back({owner, window});
      }
    }
    for (const AlertRecord& alert : entry.interface.alerts) {
      screen.alerts.push_back({owner, alert});
    }
  }
  return screen;
}

bool DesktopState::deliver(std::uint64_t client, const DesktopEvent& event) {
  Program* entry = program(client);
  if (entry == nullptr) {
    return false;
  }
  entry->client->deliver(event);
  return true;
}

DesktopState::Program* DesktopState::program(std::uint64_t client) {
  const auto it = programs_.find(client);
  return it == programs_.end() ? nullptr : &it->second;
}

const DesktopState::Program* DesktopState::program(std::uint64_t client) const {
  const auto it = programs_.find(client);
  return it == programs_.end() ? nullptr : &it->second;
}

std::uint64_t DesktopState::clientFor(pid_t pid) const {
  for (const auto& [client, entry] : programs_) {
    if (entry.pid && *entry.pid == pid) {
      return client;
    }
  }
  return 0;
}

std::string DesktopState::bundleIdentifierOf(const Program& entry) const {
  if (entry.pid) {
    if (const auto state = applications_.application(*entry.pid)) {
      return state->bundleIdentifier.value_or("");
    }
  }
  return {};
}

pid_t DesktopState::pidOf(std::uint64_t client) const {
  const Program* entry = program(client);
  return entry != nullptr ? entry->pid.value_or(0) : 0;
}

}  // namespace platform
