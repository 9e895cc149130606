#include "platform/Window.h"

#include <utility>

#include "ViewHosting.h"
#include "platform/Button.h"

namespace platform {

namespace {

constexpr std::uint16_t returnKeyCode = 36;
constexpr std::uint32_t deviceIndependentModifiers =
    modifierFlag::command | modifierFlag::control | modifierFlag::option | modifierFlag::shift;

// The first enabled, shown push button under view that Return presses.
Button* defaultButton(View& view) {
  if (!view.isHidden()) {
    if (auto* button = dynamic_cast<Button*>(&view);
        button != nullptr && button->type() == ButtonType::push &&
        button->keyEquivalent() == "\r" && button->isEnabled()) {
      return button;
    }
    for (const auto& subview : view.subviews()) {
      if (Button* found = defaultButton(*subview)) {
        return found;
      }
    }
  }
  return nullptr;
}

}  // namespace

Window::Window(Rect contentRect, std::uint32_t styleMask, BackingStore backing, bool defer,
               Application& application)
    : application_(&application),
      frame_(contentRect),
      styleMask_(styleMask),
      backing_(backing),
      deferred_(defer),
      focus_(std::make_unique<hosting::KeyboardFocus>(*this)) {
  if ((styleMask_ & windowStyle::titled) != 0) {
    frame_.height += titleBarHeight;
  }
  setContentView(std::make_shared<View>());
}

Window::~Window() {
  if (contentView_) {
    contentView_->setHost(nullptr);
  }
  if (registered_) {
    application_->removeWindow(this);
  }
}

Rect Window::contentRect() const {
  const double titleBar = (styleMask_ & windowStyle::titled) != 0 ? titleBarHeight : 0;
  return {frame_.x, frame_.y, frame_.width, frame_.height - titleBar};
}

void Window::setTitle(std::string title) {
  title_ = std::move(title);
  application_->interfaceChanged();
}

void Window::setTitleVisibility(TitleVisibility visibility) {
  titleVisibility_ = visibility;
  application_->interfaceChanged();
}

void Window::setToolbarStyle(int style) {
  toolbarStyle_ = style;
  application_->interfaceChanged();
}

void Window::setLevel(int level) {
  level_ = level;
  application_->interfaceChanged();
}

void Window::setReleasedWhenClosed(bool released) {
  releasedWhenClosed_ = released;
  application_->interfaceChanged();
}

void Window::setBackgroundColor(Color color) {
  backgroundColor_ = std::move(color);
  application_->interfaceChanged();
}

void Window::setOpaque(bool opaque) {
  opaque_ = opaque;
  application_->interfaceChanged();
}

void Window::setTitlebarAppearsTransparent(bool transparent) {
  titlebarAppearsTransparent_ = transparent;
  application_->interfaceChanged();
}

void Window::setContentView(std::shared_ptr<View> view) {
  if (contentView_) {
    focus_->moveTo(nullptr);
    contentView_->setHost(nullptr);
  }
  contentView_ = std::move(view);
  if (contentView_) {
    const Rect content = contentRect();
    contentView_->setFrame({0, 0, content.width, content.height});
    contentView_->setHost(this);
  }
  application_->interfaceChanged();
}

void Window::setContentSize(Size size) {
  frame_.width = size.width;
  frame_.height = size.height + (frame_.height - contentRect().height);
  if (contentView_) {
    contentView_->setFrame({0, 0, size.width, size.height});
  }
  application_->interfaceChanged();
}

void Window::center() {
  const auto screens = application_->screensAndLanguages().screens();
  if (screens.empty()) {
    return;
  }
  const Rect screen = screens.front().frame;
  frame_.x = screen.x + ((screen.width - frame_.width) / 2);
  frame_.y = screen.y + ((screen.height - frame_.height) / 2);
  application_->interfaceChanged();
}

void Window::makeKeyAndOrderFront() {
  visible_ = true;
  registered_ = true;
  application_->addWindow(this);
  application_->setKeyWindow(this);
}

void Window::orderOut() {
  visible_ = false;
  if (isKeyWindow()) {
    application_->setKeyWindow(nullptr);
  }
  application_->interfaceChanged();
}

void Window::close() {
  orderOut();
  if (releasedWhenClosed_ && registered_) {
    registered_ = false;
    application_->removeWindow(this);
  }
}

bool Window::isKeyWindow() const {
  return application_->keyWindow() == this;
}

bool Window::makeFirstResponder(View* view) {
  return focus_->moveTo(view);
}

View* Window::firstResponder() const {
  return focus_->current();
}

void Window::viewTreeChanged() {
  application_->interfaceChanged();
}

bool Window::click(const std::string& target) {
  return contentView_ && hosting::click(*this, *contentView_, target);
}

bool Window::keyDown(const KeyEvent& event) {
  if (event.keyCode == returnKeyCode && (event.modifierFlags & deviceIndependentModifiers) == 0 &&
      contentView_) {
    if (Button* button = defaultButton(*contentView_)) {
      button->performClick();
      return true;
    }
  }
  View* const responder = firstResponder();
  if (responder == nullptr) {
    return false;
  }
  responder->keyDown(event);
  return true;
}

WindowRecord Window::describe() const {
  WindowRecord record;
  record.title = title_;
  record.frame = frame_;
  record.styleMask = styleMask_;
  record.level = level_;
  record.visible = visible_;
  record.key = isKeyWindow();
  record.titleVisibility = titleVisibility_ == TitleVisibility::visible ? "visible" : "hidden";
  record.toolbarStyle = toolbarStyle_;
  record.backgroundColor = backgroundColor_;
  record.opaque = opaque_;
  record.titlebarAppearsTransparent = titlebarAppearsTransparent_;
  if (contentView_) {
    record.contentView = contentView_->describe();
  }
  if (const View* const responder = firstResponder(); responder != nullptr) {
    record.firstResponder = responder->identifier();
  }
  return record;
}

}  // namespace platform
