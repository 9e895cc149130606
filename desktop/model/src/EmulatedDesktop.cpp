#include "model/EmulatedDesktop.h"

#include <algorithm>
#include <utility>

#include "model/InProcessTransport.h"
#include "model/InterfaceQueries.h"
#include "model/KeyNames.h"
#include "model/ScreenHit.h"
#include "model/ScreenText.h"

namespace platform {
namespace {

UserInput input(UserInput::Action action, std::string target = {}, std::string item = {}) {
  UserInput made;
  made.action = action;
  made.target = std::move(target);
  made.item = std::move(item);
  return made;
}

}  // namespace

EmulatedDesktop::EmulatedDesktop() : DesktopState([this] { answerAlert(); }) {}

EmulatedDesktop::~EmulatedDesktop() = default;

std::unique_ptr<DesktopConnection> EmulatedDesktop::connect(EventLoop& loop) {
  return std::make_unique<DesktopConnection>(std::make_unique<InProcessTransport>(*this, loop));
}

void EmulatedDesktop::answerAlert() {
  if (!alertAnswers_.empty()) {
    auto answer = std::move(alertAnswers_.front());
    alertAnswers_.pop_front();
    answer(*this);
  }
}

bool EmulatedDesktop::press(std::string_view shortcutWords) {
  const std::optional<KeyChord> chord = parseKeyChord(shortcutWords);
  return chord && pressHotKey(*chord);
}

bool EmulatedDesktop::pressHotKey(const KeyChord& chord) {
  const std::optional<HotKeyMatch> owner = hotKeyOwner(chord.keyCode, chord.carbonModifiers);
  return owner &&
         deliver(owner->owner,
                 DesktopEvent{DesktopEvent::Kind::hotKeyPressed, owner->signature, owner->id, {}});
}

bool EmulatedDesktop::focus(const std::string& bundleIdentifier) {
  const auto running = runningApplications();
  const auto match = std::ranges::find(running, std::optional(bundleIdentifier),
                                       &RunningApplicationState::bundleIdentifier);
  return match != running.end() && activateApplication(match->pid);
}

bool EmulatedDesktop::chooseMenuItem(const std::string& title,
                                     const std::optional<std::string>& bundleIdentifier) {
  std::uint64_t chosen = 0;
  for (const auto& [client, owner] : programsWithStatusItems()) {
    if (bundleIdentifier && owner != *bundleIdentifier) {
      continue;
    }
    if (chosen != 0) {
      return false;  // several status items: the caller must say whose
    }
    chosen = client;
  }
  if (chosen == 0) {
    return false;
  }
  for (const StatusItemRecord& item : interfaceOf(chosen)->statusItems) {
    for (const MenuItemRecord& menuItem : item.menu.value_or(std::vector<MenuItemRecord>{})) {
      if (!menuItem.separator && menuItem.title == title && menuItem.enabled) {
        return sendInput(chosen, input(UserInput::Action::menu, {}, title));
      }
    }
  }
  return false;
}

bool EmulatedDesktop::click(const std::string& target) {
  auto matches = [&](const ViewRecord& view) { return viewMatches(view, target); };
  const UserInput click = input(UserInput::Action::click, target);
  if (const std::uint64_t client = programShowingAlert(); client != 0) {
    const AlertRecord& alert = interfaceOf(client)->alerts.back();
    const bool isButton = std::ranges::find(alert.buttons, target) != alert.buttons.end();
    const bool inAccessory = alert.accessory && findView(*alert.accessory, matches) != nullptr;
    return (isButton || inAccessory) && sendInput(client, click);
  }
  if (const std::uint64_t client = programWithKeyWindow(); client != 0) {
    const WindowRecord* window = keyWindowOf(*interfaceOf(client));
    return window->contentView && findView(*window->contentView, matches) != nullptr &&
           sendInput(client, click);
  }
  return false;
}

bool EmulatedDesktop::select(const std::string& item, const std::optional<std::string>& popUp) {
  auto holds = [&](const ViewRecord& view) { return popUpHolds(view, item, popUp); };
  UserInput choice = input(UserInput::Action::select, {}, item);
  choice.in = popUp;
  const std::optional<ViewRecord>* root = nullptr;
  std::uint64_t client = programShowingAlert();
  if (client != 0) {
    root = &interfaceOf(client)->alerts.back().accessory;
  } else if (client = programWithKeyWindow(); client != 0) {
    root = &keyWindowOf(*interfaceOf(client))->contentView;
  }
  return root != nullptr && root->has_value() && findView(**root, holds) != nullptr &&
         sendInput(client, std::move(choice));
}

bool EmulatedDesktop::key(std::string_view keyWords) {
  const std::optional<KeyChord> chord = parseKeyChord(keyWords);
  const std::uint64_t client = programWithKeyWindow();
  if (!chord || client == 0) {
    return false;
  }
  UserInput keyDown = input(UserInput::Action::key);
  keyDown.keyCode = chord->keyCode;
  keyDown.modifiers = chord->modifierFlags;
  return sendInput(client, std::move(keyDown));
}

bool EmulatedDesktop::dismissAlert() {
  const std::uint64_t client = programShowingAlert();
  return client != 0 && sendInput(client, input(UserInput::Action::dismiss));
}

void EmulatedDesktop::whenAlertAppears(std::function<void(EmulatedDesktop&)> answer) {
  alertAnswers_.push_back(std::move(answer));
}

bool EmulatedDesktop::clickAt(Point point) {
  const ScreenScene shown = scene();
  const ScreenLayout layout = ScreenLayout::of(shown);
  const ScreenHit hit = ScreenHit::at(shown, layout, point);
  // A click closes the open menu, whatever it reaches; one that its program no longer shows too.
  openMenu_.reset();
  const std::uint64_t client = programShowing(hit.application);
  switch (hit.kind) {
    case ScreenHit::Kind::nothing:
      return false;
    case ScreenHit::Kind::closeMenu:
      return true;
    case ScreenHit::Kind::statusItem:
      openMenu_ = OpenMenu{hit.application, std::nullopt};
      return true;
    case ScreenHit::Kind::popUp:
      openMenu_ = OpenMenu{hit.application, hit.target};
      return true;
    case ScreenHit::Kind::menuItem: {
      // A pop-up's entry is chosen in the pop-up; a status item's in its menu.
      const std::optional<std::string> popUp =
          layout.menu ? layout.menu->owner.popUp : std::nullopt;
      UserInput choice =
          input(popUp ? UserInput::Action::select : UserInput::Action::menu, {}, hit.target);
      choice.in = popUp;
      return sendInput(client, std::move(choice));
    }
    case ScreenHit::Kind::window: {
      const auto running = runningApplications();
      const auto match = std::ranges::find(running, std::optional(hit.application),
                                           &RunningApplicationState::bundleIdentifier);
      return match != running.end() && activateApplication(match->pid);
    }
    case ScreenHit::Kind::closeButton: {
      UserInput close = input(UserInput::Action::close);
      close.window = hit.target;
      return sendInput(client, std::move(close));
    }
    case ScreenHit::Kind::control:
      return sendInput(client, input(UserInput::Action::click, hit.target));
  }
  return false;
}

bool EmulatedDesktop::type(std::string_view keyWords) {
  const std::optional<KeyChord> chord = parseKeyChord(keyWords);
  if (!chord) {
    return false;
  }
  const bool escape = *chord == parseKeyChord("escape");
  if (openMenu()) {
    openMenu_.reset();
    return escape;
  }
  if (pressHotKey(*chord)) {
    return true;
  }
  if (const std::uint64_t client = programShowingAlert(); client != 0) {
    // Return presses the alert's first button, its default; Escape closes it without one.
    const AlertRecord& alert = interfaceOf(client)->alerts.back();
    if (escape) {
      return sendInput(client, input(UserInput::Action::dismiss));
    }
    return *chord == parseKeyChord("return") && !alert.buttons.empty() &&
           sendInput(client, input(UserInput::Action::click, alert.buttons.front()));
  }
  return key(keyWords);
}

ScreenScene EmulatedDesktop::scene() const {
  ScreenScene shown;
  if (!screens().empty()) {
    shown.screen = screens().front();
  }
  shown.contents = screenContents();
  shown.notifications = notifications();
  for (const RunningApplicationState& application : runningApplications()) {
    if (application.active) {
      shown.frontmostApplication = application.bundleIdentifier;
    }
  }
  shown.openMenu = openMenu_;
  return shown;
}

std::optional<OpenMenu> EmulatedDesktop::openMenu() const {
  if (!openMenu_) {
    return std::nullopt;
  }
  const auto layout = ScreenLayout::of(scene());
  return layout.menu ? openMenu_ : std::nullopt;
}

std::string EmulatedDesktop::renderText() const {
  return renderScreenText(screenContents(), notifications());
}

bool EmulatedDesktop::sendInput(std::uint64_t client, UserInput input) {
  return deliver(client, DesktopEvent{DesktopEvent::Kind::input, 0, 0, std::move(input)});
}

}  // namespace platform
