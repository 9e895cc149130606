#include "platform/EmulatedDesktop.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ranges>
#include <utility>

#include <nlohmann/json.hpp>

#include "platform/DesktopEvent.h"
#include "platform/KeyNames.h"

namespace platform {
namespace {

// A program of this process: its calls go straight to the desktop, and the desktop's events come
// back as blocks on the program's loop. Events queued before the connection goes away are dropped.
class InProcessConnection final : public DesktopConnection, public DesktopClient {
 public:
  InProcessConnection(EmulatedDesktop& desktop, EventLoop& loop)
      : desktop_(desktop),
        loop_(loop),
        client_(desktop.attach(*this)),
        alive_(std::make_shared<bool>(true)) {}
  ~InProcessConnection() override {
    *alive_ = false;
    if (attached_) {
      desktop_.detach(client_);
    }
  }
  InProcessConnection(const InProcessConnection&) = delete;
  InProcessConnection& operator=(const InProcessConnection&) = delete;
  InProcessConnection(InProcessConnection&&) = delete;
  InProcessConnection& operator=(InProcessConnection&&) = delete;

  // DesktopClient
  void deliver(const DesktopEvent& event) override {
    std::weak_ptr<bool> alive = alive_;
    loop_.async([this, alive, event] {
      if (auto stillAlive = alive.lock(); stillAlive && *stillAlive && attached_ && handler_) {
        handler_(event);
      }
    });
  }
  void kill() override { attached_ = false; }

  // DesktopConnection
  void setEventHandler(std::function<void(const DesktopEvent&)> handler) override {
    handler_ = std::move(handler);
  }
  void checkIn(const ApplicationIdentity& identity, ActivationPolicy policy) override {
    if (attached_) {
      desktop_.checkIn(client_, identity, policy);
    }
  }
  void setActivationPolicy(ActivationPolicy policy) override {
    if (attached_) {
      desktop_.setActivationPolicy(client_, policy);
    }
  }
  void activate() override {
    if (attached_) {
      desktop_.activate(client_);
    }
  }
  void setHidden(bool hidden) override {
    if (attached_) {
      desktop_.setHidden(client_, hidden);
    }
  }
  void publishInterface(const nlohmann::json& interface) override {
    if (attached_) {
      desktop_.publishInterface(client_, interface);
    }
  }
  void checkOut() override {
    if (attached_) {
      attached_ = false;
      desktop_.detach(client_);
    }
  }
  std::vector<RunningApplicationState> runningApplications() override {
    return desktop_.runningApplications();
  }
  std::optional<pid_t> frontmostApplication() override { return desktop_.frontmostApplication(); }
  bool hideApplication(pid_t pid) override { return desktop_.hideApplication(pid); }
  bool unhideApplication(pid_t pid) override { return desktop_.unhideApplication(pid); }
  bool activateApplication(pid_t pid) override { return desktop_.activateApplication(pid); }
  bool terminateApplication(pid_t pid) override { return desktop_.terminateApplication(pid); }
  bool forceTerminateApplication(pid_t pid) override {
    return desktop_.forceTerminateApplication(pid);
  }
  std::int32_t registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                              std::uint32_t signature, std::uint32_t id,
                              std::uint64_t& registration) override {
    return desktop_.registerHotKey(client_, keyCode, modifiers, signature, id, registration);
  }
  void unregisterHotKey(std::uint64_t registration) override {
    desktop_.unregisterHotKey(client_, registration);
  }
  bool requestNotificationAuthorization(std::uint32_t options) override {
    return desktop_.requestNotificationAuthorization(client_, options);
  }
  void addNotification(const NotificationRecord& notification) override {
    desktop_.addNotification(client_, notification);
  }
  bool openURL(const std::string& url) override { return desktop_.openURL(client_, url); }
  void playAlertSound() override { desktop_.playAlertSound(client_); }
  std::vector<ScreenDescription> screens() override { return desktop_.screens(); }
  std::vector<std::string> preferredLanguages() override { return desktop_.preferredLanguages(); }

 private:
  EmulatedDesktop& desktop_;
  EventLoop& loop_;
  std::uint64_t client_ = 0;
  bool attached_ = true;
  std::function<void(const DesktopEvent&)> handler_;
  std::shared_ptr<bool> alive_;
};

// The pid under which the built-in application runs; no program of ours ever has it.
constexpr pid_t otherApplicationPid = 1;

bool viewMatches(const nlohmann::json& view, const std::string& target) {
  auto textIs = [&](const char* key) {
    const auto it = view.find(key);
    return it != view.end() && it->is_string() && it->get<std::string>() == target;
  };
  return textIs("identifier") || textIs("title") || textIs("text");
}

// Depth-first search of a described view tree.
const nlohmann::json* findView(const nlohmann::json& view,
                               const std::function<bool(const nlohmann::json&)>& matches) {
  if (!view.is_object()) {
    return nullptr;
  }
  if (matches(view)) {
    return &view;
  }
  if (const auto subviews = view.find("subviews"); subviews != view.end() && subviews->is_array()) {
    for (const nlohmann::json& subview : *subviews) {
      if (const nlohmann::json* found = findView(subview, matches)) {
        return found;
      }
    }
  }
  return nullptr;
}

const nlohmann::json& arrayAt(const nlohmann::json& object, const char* key) {
  static const nlohmann::json empty = nlohmann::json::array();
  if (!object.is_object()) {
    return empty;
  }
  const auto it = object.find(key);
  return it != object.end() && it->is_array() ? *it : empty;
}

// The key window of an interface, if one is visible.
const nlohmann::json* keyWindowOf(const nlohmann::json& interface) {
  for (const nlohmann::json& window : arrayAt(interface, "windows")) {
    if (window.value("visible", false) && window.value("key", false)) {
      return &window;
    }
  }
  return nullptr;
}

bool popUpHolds(const nlohmann::json& view, const std::string& item,
                const std::optional<std::string>& popUp) {
  if (view.value("kind", "") != "popUpButton") {
    return false;
  }
  if (popUp && view.value("identifier", "") != *popUp) {
    return false;
  }
  return std::ranges::any_of(arrayAt(view, "items"), [&](const nlohmann::json& entry) {
    return entry.is_object() ? entry.value("title", "") == item
                             : entry.is_string() && entry.get<std::string>() == item;
  });
}

}  // namespace

EmulatedDesktop::EmulatedDesktop()
    : screens_{ScreenDescription{"Built-in Display", 1, Rect{0, 0, 1512, 982}, 2.0}},
      languages_{"en-US"} {
  applications_.launch(RunningApplicationState{otherApplicationPid, otherApplicationIdentifier,
                                               "/System/Applications/Other.app",
                                               ActivationPolicy::regular, false, false, false});
}

EmulatedDesktop::~EmulatedDesktop() = default;

std::unique_ptr<DesktopConnection> EmulatedDesktop::connect(EventLoop& loop) {
  return std::make_unique<InProcessConnection>(*this, loop);
}

std::uint64_t EmulatedDesktop::attach(DesktopClient& client) {
  const std::uint64_t number = nextClient_++;
  programs_[number].client = &client;
  return number;
}

void EmulatedDesktop::detach(std::uint64_t client) {
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

void EmulatedDesktop::checkIn(std::uint64_t client, const ApplicationIdentity& identity,
                              ActivationPolicy policy) {
  Program* entry = program(client);
  if (entry == nullptr || entry->pid) {
    return;
  }
  entry->pid = identity.pid;
  applications_.launch(RunningApplicationState{identity.pid, identity.bundleIdentifier,
                                               identity.bundlePath, policy, false, false, false});
}

void EmulatedDesktop::setActivationPolicy(std::uint64_t client, ActivationPolicy policy) {
  if (const Program* entry = program(client); entry != nullptr && entry->pid) {
    applications_.setActivationPolicy(*entry->pid, policy);
  }
}

void EmulatedDesktop::activate(std::uint64_t client) {
  if (const Program* entry = program(client); entry != nullptr && entry->pid) {
    applications_.activate(*entry->pid);
  }
}

void EmulatedDesktop::setHidden(std::uint64_t client, bool hidden) {
  if (const Program* entry = program(client); entry != nullptr && entry->pid) {
    if (hidden) {
      applications_.hide(*entry->pid);
    } else {
      applications_.unhide(*entry->pid);
    }
  }
}

void EmulatedDesktop::publishInterface(std::uint64_t client, const nlohmann::json& interface) {
  Program* entry = program(client);
  if (entry == nullptr) {
    return;
  }
  entry->interface = interface;
  answerNewAlerts(client, *entry);
}

void EmulatedDesktop::answerNewAlerts(std::uint64_t client, Program& entry) {
  const auto alerts = static_cast<std::uint64_t>(arrayAt(entry.interface, "alerts").size());
  std::erase(alertOrder_, client);
  if (alerts > 0) {
    alertOrder_.push_back(client);
  }
  const bool appeared = alerts > entry.alertsSeen;
  entry.alertsSeen = alerts;
  if (appeared && !alertAnswers_.empty()) {
    auto answer = std::move(alertAnswers_.front());
    alertAnswers_.pop_front();
    answer(*this);
  }
}

bool EmulatedDesktop::hideApplication(pid_t pid) {
  return applications_.hide(pid) && tellProgram(pid, DesktopEvent::Kind::hide);
}

bool EmulatedDesktop::unhideApplication(pid_t pid) {
  return applications_.unhide(pid) && tellProgram(pid, DesktopEvent::Kind::unhide);
}

bool EmulatedDesktop::activateApplication(pid_t pid) {
  return applications_.activate(pid) && tellProgram(pid, DesktopEvent::Kind::activate);
}

bool EmulatedDesktop::tellProgram(pid_t pid, DesktopEvent::Kind kind) {
  if (Program* entry = programFor(pid)) {
    entry->client->deliver(DesktopEvent{kind, 0, 0, {}});
  }
  return true;
}

bool EmulatedDesktop::terminateApplication(pid_t pid) {
  Program* entry = programFor(pid);
  if (entry == nullptr) {
    return false;
  }
  entry->client->deliver(DesktopEvent{DesktopEvent::Kind::terminate, 0, 0, {}});
  return true;
}

bool EmulatedDesktop::forceTerminateApplication(pid_t pid) {
  const auto it = std::ranges::find_if(
      programs_, [&](const auto& pair) { return pair.second.pid && *pair.second.pid == pid; });
  if (it == programs_.end()) {
    return false;
  }
  it->second.client->kill();
  detach(it->first);
  return true;
}

std::int32_t EmulatedDesktop::registerHotKey(std::uint64_t client, std::uint32_t keyCode,
                                             std::uint32_t modifiers, std::uint32_t signature,
                                             std::uint32_t id, std::uint64_t& registration) {
  return hotKeys_.registerHotKey(client, static_cast<std::uint16_t>(keyCode), modifiers, signature,
                                 id, registration);
}

void EmulatedDesktop::unregisterHotKey(std::uint64_t client, std::uint64_t registration) {
  hotKeys_.unregisterHotKey(client, registration);
}

bool EmulatedDesktop::requestNotificationAuthorization(std::uint64_t /*client*/,
                                                       std::uint32_t /*options*/) const {
  return notificationsAuthorized_;
}

void EmulatedDesktop::addNotification(std::uint64_t client,
                                      const NotificationRecord& notification) {
  if (!notificationsAuthorized_) {
    return;
  }
  std::erase_if(notifications_, [&](const NotificationRecord& shown) {
    return shown.identifier == notification.identifier;
  });
  notifications_.push_back(notification);
  JournalEntry entry;
  entry.kind = JournalEntry::Kind::notificationDelivered;
  entry.notification = notification;
  entry.pid = program(client) != nullptr ? program(client)->pid.value_or(0) : 0;
  journal_.push_back(std::move(entry));
}

bool EmulatedDesktop::openURL(std::uint64_t client, const std::string& url) {
  JournalEntry entry;
  entry.kind = JournalEntry::Kind::urlOpened;
  entry.url = url;
  entry.pid = program(client) != nullptr ? program(client)->pid.value_or(0) : 0;
  journal_.push_back(std::move(entry));
  return true;
}

void EmulatedDesktop::playAlertSound(std::uint64_t client) {
  JournalEntry entry;
  entry.kind = JournalEntry::Kind::alertSound;
  entry.pid = program(client) != nullptr ? program(client)->pid.value_or(0) : 0;
  journal_.push_back(std::move(entry));
}

void EmulatedDesktop::recordProgramStart(pid_t pid, std::string path,
                                         std::vector<std::string> arguments) {
  JournalEntry entry;
  entry.kind = JournalEntry::Kind::programStarted;
  entry.pid = pid;
  entry.path = std::move(path);
  entry.arguments = std::move(arguments);
  journal_.push_back(std::move(entry));
}

std::vector<RunningApplicationState> EmulatedDesktop::runningApplications() const {
  return applications_.applications();
}

std::optional<pid_t> EmulatedDesktop::frontmostApplication() const {
  return applications_.frontmost();
}

bool EmulatedDesktop::press(std::string_view shortcutWords) {
  const std::optional<KeyChord> chord = parseKeyChord(shortcutWords);
  if (!chord) {
    return false;
  }
  const std::optional<HotKeyMatch> owner = hotKeys_.match(chord->keyCode, chord->carbonModifiers);
  if (!owner) {
    return false;
  }
  Program* entry = program(owner->owner);
  if (entry == nullptr) {
    return false;
  }
  entry->client->deliver(
      DesktopEvent{DesktopEvent::Kind::hotKeyPressed, owner->signature, owner->id, {}});
  return true;
}

bool EmulatedDesktop::focus(const std::string& bundleIdentifier) {
  const auto matching = applications_.applications(bundleIdentifier);
  return !matching.empty() && activateApplication(matching.front().pid);
}

void EmulatedDesktop::focusNone() {
  applications_.focusNone();
}

bool EmulatedDesktop::chooseMenuItem(const std::string& title,
                                     const std::optional<std::string>& bundleIdentifier) {
  Program* chosen = nullptr;
  for (auto& [client, entry] : programs_) {
    if (arrayAt(entry.interface, "statusItems").empty() || !entry.pid) {
      continue;
    }
    const auto state = applications_.application(*entry.pid);
    if (bundleIdentifier && (!state || state->bundleIdentifier != *bundleIdentifier)) {
      continue;
    }
    if (chosen != nullptr) {
      return false;  // several status items: the caller must say whose
    }
    chosen = &entry;
  }
  if (chosen == nullptr) {
    return false;
  }
  for (const nlohmann::json& item : arrayAt(chosen->interface, "statusItems")) {
    for (const nlohmann::json& menuItem : arrayAt(item, "menu")) {
      if (menuItem.value("title", "") == title && menuItem.value("enabled", false)) {
        return sendInput(*chosen, {{"action", "menu"}, {"item", title}});
      }
    }
  }
  return false;
}

bool EmulatedDesktop::click(const std::string& target) {
  auto matches = [&](const nlohmann::json& view) { return viewMatches(view, target); };
  if (Program* entry = programShowingAlert()) {
    const nlohmann::json& alert = arrayAt(entry->interface, "alerts").back();
    const auto& buttons = arrayAt(alert, "buttons");
    const bool isButton = std::ranges::any_of(buttons, [&](const nlohmann::json& button) {
      return button.is_string() ? button.get<std::string>() == target : viewMatches(button, target);
    });
    if (isButton || findView(alert.value("accessory", nlohmann::json()), matches) != nullptr) {
      return sendInput(*entry, {{"action", "click"}, {"target", target}});
    }
    return false;
  }
  if (Program* entry = programWithKeyWindow()) {
    if (findView(keyWindowOf(entry->interface)->value("contentView", nlohmann::json()), matches) !=
        nullptr) {
      return sendInput(*entry, {{"action", "click"}, {"target", target}});
    }
  }
  return false;
}

bool EmulatedDesktop::select(const std::string& item, const std::optional<std::string>& popUp) {
  auto holds = [&](const nlohmann::json& view) { return popUpHolds(view, item, popUp); };
  nlohmann::json input = {{"action", "select"}, {"item", item}};
  if (popUp) {
    input["in"] = *popUp;
  }
  if (Program* entry = programShowingAlert()) {
    const nlohmann::json& alert = arrayAt(entry->interface, "alerts").back();
    return findView(alert.value("accessory", nlohmann::json()), holds) != nullptr &&
           sendInput(*entry, std::move(input));
  }
  if (Program* entry = programWithKeyWindow()) {
    return findView(keyWindowOf(entry->interface)->value("contentView", nlohmann::json()), holds) !=
               nullptr &&
           sendInput(*entry, std::move(input));
  }
  return false;
}

bool EmulatedDesktop::key(std::string_view keyWords) {
  const std::optional<KeyChord> chord = parseKeyChord(keyWords);
  Program* entry = programWithKeyWindow();
  if (!chord || entry == nullptr) {
    return false;
  }
  return sendInput(
      *entry,
      {{"action", "key"}, {"keyCode", chord->keyCode}, {"modifiers", chord->modifierFlags}});
}

bool EmulatedDesktop::dismissAlert() {
  Program* entry = programShowingAlert();
  return entry != nullptr && sendInput(*entry, {{"action", "dismiss"}});
}

void EmulatedDesktop::whenAlertAppears(std::function<void(EmulatedDesktop&)> answer) {
  alertAnswers_.push_back(std::move(answer));
}

nlohmann::json EmulatedDesktop::describeScreen() const {
  nlohmann::json screen = {{"statusItems", nlohmann::json::array()},
                           {"windows", nlohmann::json::array()},
                           {"alerts", nlohmann::json::array()}};
  for (const auto& [client, entry] : programs_) {
    std::string owner;
    if (entry.pid) {
      if (const auto state = applications_.application(*entry.pid)) {
        owner = state->bundleIdentifier.value_or("");
      }
    }
    for (const char* part : {"statusItems", "windows", "alerts"}) {
      for (nlohmann::json element : arrayAt(entry.interface, part)) {
        if (std::string_view(part) == "windows" && !element.value("visible", false)) {
          continue;
        }
        element["application"] = owner;
        screen[part].push_back(std::move(element));
      }
    }
  }
  return screen;
}

namespace {

std::string number(double value) {
  if (value == static_cast<double>(static_cast<long long>(value))) {
    return std::to_string(static_cast<long long>(value));
  }
  std::array<char, 64> buffer{};
  (void)std::snprintf(buffer.data(), buffer.size(), "%.2f", value);
  std::string text(buffer.data());
  while (text.back() == '0') {
    text.pop_back();
  }
  return text;
}

std::string quoted(const std::string& text) {
  std::string result = "\"";
  for (const char character : text) {
    if (character == '\n') {
      result += "\\n";
    } else if (character == '\r') {
      result += "\\r";
    } else {
      result += character;
    }
  }
  return result + "\"";
}

std::string rectangle(const nlohmann::json& frame) {
  if (!frame.is_array() || frame.size() != 4) {
    return "[]";
  }
  return "[" + number(frame[0].get<double>()) + "," + number(frame[1].get<double>()) + "," +
         number(frame[2].get<double>()) + "," + number(frame[3].get<double>()) + "]";
}

std::string text(const nlohmann::json& object, const char* key) {
  const auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::string imageName(const nlohmann::json& image) {
  if (!image.is_object()) {
    return {};
  }
  std::string name = image.contains("symbol") ? text(image, "symbol") : text(image, "file");
  return image.value("template", false) ? name + " (template)" : name;
}

// One line per view: kind, identifier, text or title, state, flags and frame; subviews indented.
void renderView(const nlohmann::json& view, int depth, std::string& out) {
  if (!view.is_object()) {
    return;
  }
  std::string line(static_cast<std::size_t>(depth) * 2, ' ');
  line += text(view, "kind");
  if (const std::string identifier = text(view, "identifier"); !identifier.empty()) {
    line += " " + identifier;
  }
  if (view.contains("text")) {
    line += " " + quoted(text(view, "text"));
  } else if (view.contains("title")) {
    line += " " + quoted(text(view, "title"));
  }
  if (text(view, "type") == "checkbox") {
    line += " [" + text(view, "state") + "]";
  }
  if (const auto items = view.find("items"); items != view.end() && items->is_array()) {
    const int selected = view.value("selectedIndex", -1);
    line += " {";
    for (std::size_t index = 0; index < items->size(); ++index) {
      line += (index == 0 ? "" : " | ") + (*items)[index].get<std::string>() +
              (static_cast<int>(index) == selected ? "*" : "");
    }
    line += "}";
  }
  if (const std::string image = imageName(view.value("image", nlohmann::json())); !image.empty()) {
    line += " image " + image;
  }
  if (view.contains("doubleValue")) {
    line += view.value("indeterminate", false) ? " indeterminate"
                                               : " value " + number(view.value("doubleValue", 0.0));
    line += view.value("animating", false) ? " animating" : "";
  }
  if (view.value("hidden", false)) {
    line += " (hidden)";
  }
  if (!view.value("enabled", true)) {
    line += " (disabled)";
  }
  out += line + " " + rectangle(view.value("frame", nlohmann::json())) + "\n";
  for (const nlohmann::json& subview : arrayAt(view, "subviews")) {
    renderView(subview, depth + 1, out);
  }
}

void renderMenu(const nlohmann::json& statusItem, std::string& out) {
  for (const nlohmann::json& item : arrayAt(statusItem, "menu")) {
    if (item.value("separator", false)) {
      out += "    ---\n";
      continue;
    }
    std::string line = "    " + text(item, "title");
    if (const std::string key = text(item, "keyEquivalent"); !key.empty()) {
      line += "  ";
      for (const nlohmann::json& modifier : arrayAt(item, "modifiers")) {
        line += modifier.get<std::string>();
        line += "+";
      }
      line += key;
    }
    if (!item.value("enabled", true)) {
      line += "  (disabled)";
    }
    out += line + "\n";
  }
}

}  // namespace

std::string EmulatedDesktop::renderText() const {
  const nlohmann::json screen = describeScreen();
  std::string out;
  out += "Status items:\n";
  for (const nlohmann::json& item : arrayAt(screen, "statusItems")) {
    out += "  " + text(item, "application") + ": image " +
           imageName(item.value("image", nlohmann::json())) + ", title " +
           quoted(text(item, "title")) + ", tool tip " + quoted(text(item, "toolTip")) + "\n";
    renderMenu(item, out);
  }
  out += "Windows:\n";
  for (const nlohmann::json& window : arrayAt(screen, "windows")) {
    out += "  " + quoted(text(window, "title")) + " of " + text(window, "application") +
           (window.value("key", false) ? " (key) " : " ") +
           rectangle(window.value("frame", nlohmann::json())) + "\n";
    renderView(window.value("contentView", nlohmann::json()), 2, out);
  }
  out += "Alerts:\n";
  for (const nlohmann::json& alert : arrayAt(screen, "alerts")) {
    out += "  " + text(alert, "style") + " " + quoted(text(alert, "messageText")) + " of " +
           text(alert, "application") + "\n";
    out += "    " + quoted(text(alert, "informativeText")) + "\n";
    out += "    buttons:";
    for (const nlohmann::json& button : arrayAt(alert, "buttons")) {
      out += " [" + (button.is_string() ? button.get<std::string>() : text(button, "title")) + "]";
    }
    out += "\n";
    renderView(alert.value("accessory", nlohmann::json()), 2, out);
  }
  out += "Notifications:\n";
  for (const NotificationRecord& notification : notifications_) {
    out += "  " + notification.identifier + ": " + quoted(notification.title) + " " +
           quoted(notification.body) + "\n";
  }
  return out;
}

bool EmulatedDesktop::sendInput(Program& entry, nlohmann::json input) {
  entry.client->deliver(DesktopEvent{DesktopEvent::Kind::input, 0, 0, std::move(input)});
  return true;
}

EmulatedDesktop::Program* EmulatedDesktop::programFor(pid_t pid) {
  for (auto& [client, entry] : programs_) {
    if (entry.pid && *entry.pid == pid) {
      return &entry;
    }
  }
  return nullptr;
}

EmulatedDesktop::Program* EmulatedDesktop::program(std::uint64_t client) {
  const auto it = programs_.find(client);
  return it == programs_.end() ? nullptr : &it->second;
}

EmulatedDesktop::Program* EmulatedDesktop::programShowingAlert() {
  return alertOrder_.empty() ? nullptr : program(alertOrder_.back());
}

EmulatedDesktop::Program* EmulatedDesktop::programWithKeyWindow() {
  if (const auto front = applications_.frontmost()) {
    if (Program* entry = programFor(*front); entry != nullptr && keyWindowOf(entry->interface)) {
      return entry;
    }
  }
  for (auto& [client, entry] : programs_) {
    if (keyWindowOf(entry.interface) != nullptr) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace platform
