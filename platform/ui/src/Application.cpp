#include "platform/Application.h"

#include <algorithm>
#include <utility>

#include "platform/Alert.h"
#include "platform/Bundle.h"
#include "platform/CarbonEvents.h"
#include "platform/DesktopEvent.h"
#include "platform/DesktopServices.h"
#include "platform/Menu.h"
#include "platform/PopUpButton.h"
#include "platform/StatusItem.h"
#include "platform/Window.h"

namespace platform {
namespace {

// The pop-up in the tree that offers `item` (and has the identifier `in`, when given).
PopUpButton* findPopUpHolding(View& root, const std::string& item,
                              const std::optional<std::string>& in) {
  if (auto* popUp = dynamic_cast<PopUpButton*>(&root); popUp != nullptr &&
                                                       popUp->indexOfItemWithTitle(item) >= 0 &&
                                                       (!in || popUp->identifier() == *in)) {
    return popUp;
  }
  for (const std::shared_ptr<View>& subview : root.subviews()) {
    if (PopUpButton* found = findPopUpHolding(*subview, item, in)) {
      return found;
    }
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<Application> Application::forBundle(const DesktopServices& desktop, EventLoop& loop,
                                                    const Bundle& bundle, pid_t pid) {
  ApplicationIdentity identity;
  identity.pid = pid;
  identity.bundleIdentifier = bundle.bundleIdentifier();
  identity.bundlePath = bundle.bundlePath().string();
  if (const auto& executable = bundle.executablePath()) {
    identity.executablePath = executable->string();
  }
  auto application =
      std::make_unique<Application>(*desktop.windowServer, *desktop.hotKeys,
                                    *desktop.screensAndLanguages, loop, std::move(identity));
  // As the system does, a user-interface element starts as an accessory application, so it does
  // not take the front when it checks in.
  if (bundle.isUIElement()) {
    application->setActivationPolicy(ActivationPolicy::accessory);
  }
  return application;
}

Application::Application(WindowServer& windowServer, HotKeyServices& hotKeys,
                         ScreensAndLanguages& screens, EventLoop& loop,
                         ApplicationIdentity identity)
    : windowServer_(windowServer),
      hotKeys_(hotKeys),
      screensAndLanguages_(screens),
      loop_(loop),
      identity_(std::move(identity)) {
  windowServer_.setEventHandler([this](const DesktopEvent& event) { handleEvent(event); });
}

Application::~Application() {
  // The event target unregisters its hot keys and lets go of the hot-key handler.
  eventTarget_.reset();
  if (pendingPublish_) {
    pendingPublish_->cancel();
  }
  windowServer_.setEventHandler(nullptr);
}

void Application::setActivationPolicy(ActivationPolicy policy) {
  policy_ = policy;
  if (checkedIn_) {
    windowServer_.setActivationPolicy(policy);
  }
}

void Application::activate() {
  checkIn();
  windowServer_.activate();
}

void Application::hide() {
  checkIn();
  windowServer_.setHidden(true);
}

void Application::checkIn() {
  if (!checkedIn_) {
    checkedIn_ = true;
    windowServer_.checkIn(identity_, policy_);
  }
}

void Application::finishLaunching() {
  checkIn();
  if (delegate_ != nullptr) {
    delegate_->applicationDidFinishLaunching();
  }
}

void Application::run() {
  running_ = true;
  finishLaunching();
  if (!terminated_) {
    loop_.run();
  }
  running_ = false;
}

void Application::terminate() {
  if (terminated_) {
    return;
  }
  terminated_ = true;
  if (delegate_ != nullptr) {
    delegate_->applicationWillTerminate();
  }
  if (pendingPublish_) {
    pendingPublish_->cancel();
  }
  if (checkedIn_) {
    windowServer_.checkOut();
  }
  if (running_) {
    loop_.stop();
  }
  if (onTerminate_) {
    onTerminate_();
  }
}

void Application::addWindow(Window* window) {
  if (std::ranges::find(windows_, window) == windows_.end()) {
    windows_.push_back(window);
  }
  interfaceChanged();
}

void Application::removeWindow(Window* window) {
  std::erase(windows_, window);
  if (keyWindow_ == window) {
    keyWindow_ = nullptr;
  }
  interfaceChanged();
}

Window* Application::keyWindow() const {
  return keyWindow_;
}

void Application::setKeyWindow(Window* window) {
  keyWindow_ = window;
  interfaceChanged();
}

void Application::addStatusItem(StatusItem* item) {
  statusItems_.push_back(item);
  interfaceChanged();
}

void Application::removeStatusItem(StatusItem* item) {
  std::erase(statusItems_, item);
  interfaceChanged();
}

void Application::beginModalAlert(Alert* alert) {
  checkIn();
  modalAlerts_.push_back(alert);
  // Alerts come and go on screen at once, so that whoever answers one sees it before the nested
  // loop runs, and nobody answers one that is gone.
  publishNow();
}

void Application::endModalAlert(Alert* alert) {
  std::erase(modalAlerts_, alert);
  publishNow();
}

Alert* Application::modalAlert() const {
  return modalAlerts_.empty() ? nullptr : modalAlerts_.back();
}

void Application::interfaceChanged() {
  if (terminated_ || (pendingPublish_ && !pendingPublish_->isCancelled())) {
    return;
  }
  pendingPublish_ = std::make_shared<WorkItem>([this] {
    pendingPublish_.reset();
    publishNow();
  });
  loop_.async(pendingPublish_);
}

void Application::publishNow() {
  if (pendingPublish_) {
    pendingPublish_->cancel();
    pendingPublish_.reset();
  }
  if (terminated_) {
    return;
  }
  checkIn();
  windowServer_.publishInterface(describeInterface());
}

bool Application::handleEvent(const DesktopEvent& event) {
  switch (event.kind) {
    case DesktopEvent::Kind::hotKeyPressed:
      if (hotKeyHandler_) {
        hotKeyHandler_(event.hotKeySignature, event.hotKeyId);
      }
      return true;
    case DesktopEvent::Kind::hide:
    case DesktopEvent::Kind::unhide:
    case DesktopEvent::Kind::activate:
      // The desktop keeps the application's hidden and active state; nothing to do here.
      return true;
    case DesktopEvent::Kind::terminate:
      terminate();
      return true;
    case DesktopEvent::Kind::input:
      return handleInput(event.input);
  }
  return false;
}

InterfaceRecord Application::describeInterface() const {
  InterfaceRecord interface;
  for (const StatusItem* item : statusItems_) {
    interface.statusItems.push_back(item->describe());
  }
  for (const Window* window : windows_) {
    interface.windows.push_back(window->describe());
  }
  for (const Alert* alert : modalAlerts_) {
    interface.alerts.push_back(alert->describe());
  }
  return interface;
}

bool Application::handleInput(const UserInput& input) {
  Alert* alert = modalAlert();
  // While an alert runs modally it takes every input; otherwise the key window does.
  View* root = nullptr;
  if (alert != nullptr) {
    root = alert->accessoryView().get();
  } else if (keyWindow_ != nullptr) {
    root = keyWindow_->contentView().get();
  }
  switch (input.action) {
    case UserInput::Action::click:
      return alert != nullptr ? alert->click(input.target)
                              : keyWindow_ != nullptr && keyWindow_->click(input.target);
    case UserInput::Action::select: {
      PopUpButton* popUp =
          root != nullptr ? findPopUpHolding(*root, input.item, input.in) : nullptr;
      return popUp != nullptr && popUp->chooseItem(input.item);
    }
    case UserInput::Action::key:
      return alert == nullptr && keyWindow_ != nullptr &&
             keyWindow_->keyDown(KeyEvent{input.keyCode, input.modifiers, false});
    case UserInput::Action::menu:
      return std::ranges::any_of(statusItems_, [&](const StatusItem* item) {
        return item->menu() != nullptr && item->menu()->chooseItem(input.item);
      });
    case UserInput::Action::dismiss:
      return alert != nullptr && alert->dismiss();
    case UserInput::Action::close: {
      const auto window = std::ranges::find_if(
          windows_, [&](const Window* candidate) { return candidate->title() == input.window; });
      if (window == windows_.end()) {
        return false;
      }
      (*window)->close();
      return true;
    }
  }
  return false;
}

}  // namespace platform
