// Modal alerts.
//
// The alert's size follows a fixed model of the panel: 20 points of margin all round a column as
// wide as the accessory view, at least 260 points; in it, top to bottom, the 64-point icon, 12
// points, the message (bold 13 points, wrapped to the column), 6 points and the informative text
// (11 points, wrapped) when there is one, 12 points and the accessory view when there is one, and
// after 20 points the row of 24-point buttons.

#include "platform/Alert.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "ViewHosting.h"
#include "platform/TextMetrics.h"

namespace platform {

namespace {

constexpr double margin = 20;
constexpr double minimumColumnWidth = 260;
constexpr double iconHeight = 64;
constexpr double buttonHeight = 24;

const char* styleName(AlertStyle style) {
  switch (style) {
    case AlertStyle::warning:
      return "warning";
    case AlertStyle::informational:
      return "informational";
    case AlertStyle::critical:
      return "critical";
  }
  return "warning";
}

double textHeight(const std::string& text, const Font& font, double width) {
  return lineHeight(font) * static_cast<double>(wrappedLines(text, font, width).size());
}

}  // namespace

Alert::Alert(Application& application)
    : application_(&application), focus_(std::make_unique<hosting::KeyboardFocus>(*this)) {}

Alert::~Alert() {
  for (const auto& button : buttons_) {
    button->setAction(nullptr);
    button->setHost(nullptr);
  }
  if (accessoryView_) {
    accessoryView_->setHost(nullptr);
  }
}

void Alert::setAlertStyle(AlertStyle style) {
  style_ = style;
  viewTreeChanged();
}

void Alert::setMessageText(std::string text) {
  messageText_ = std::move(text);
  viewTreeChanged();
}

void Alert::setInformativeText(std::string text) {
  informativeText_ = std::move(text);
  viewTreeChanged();
}

std::shared_ptr<Button> Alert::addButton(std::string title) {
  auto button = Button::pushButton(std::move(title));
  const ModalResponse response = firstButtonReturn + static_cast<ModalResponse>(buttons_.size());
  if (buttons_.empty()) {
    button->setKeyEquivalent("\r");
  }
  button->setAction([this, response](Control& /*sender*/) { answer(response); });
  button->setHost(this);
  buttons_.push_back(button);
  viewTreeChanged();
  return button;
}

void Alert::setAccessoryView(std::shared_ptr<View> view) {
  if (accessoryView_) {
    focus_->moveTo(nullptr);
    accessoryView_->setHost(nullptr);
  }
  accessoryView_ = std::move(view);
  if (accessoryView_) {
    accessoryView_->setHost(this);
  }
  viewTreeChanged();
}

void Alert::layout() {
  const Size accessory = accessoryView_ ? accessoryView_->frame().size() : Size{};
  const double column = std::max(minimumColumnWidth, accessory.width);
  double height = margin + iconHeight + 12;
  height += textHeight(messageText_, Font::system(13, FontWeight::bold), column);
  if (!informativeText_.empty()) {
    height += 6 + textHeight(informativeText_, Font::system(11), column);
  }
  if (accessoryView_) {
    height += 12 + accessory.height;
  }
  height += margin + buttonHeight + margin;
  size_ = {column + (2 * margin), height};
  ++layoutCount_;
  viewTreeChanged();
}

ModalResponse Alert::runModal() {
  if (buttons_.empty()) {
    addButton("OK");
  }
  layout();
  response_.reset();
  running_ = true;
  application_->beginModalAlert(this);
  const auto answered = [this] { return response_.has_value() || application_->isTerminated(); };
  while (!answered()) {
    application_->loop().runUntil(answered, std::chrono::hours(1));
  }
  running_ = false;
  application_->endModalAlert(this);
  return response_.value_or(abortResponse);
}

void Alert::answer(ModalResponse response) {
  if (running_ && !response_) {
    response_ = response;
  }
}

bool Alert::clickButton(std::string_view title) {
  const auto found = std::ranges::find_if(buttons_, [title](const std::shared_ptr<Button>& button) {
    return button->title() == title;
  });
  if (found == buttons_.end()) {
    return false;
  }
  (*found)->performClick();
  return true;
}

bool Alert::click(const std::string& target) {
  for (const auto& button : buttons_) {
    if (button->identifier() == target || button->title() == target) {
      button->mouseDown();
      return true;
    }
  }
  return accessoryView_ && hosting::click(*this, *accessoryView_, target);
}

bool Alert::dismiss() {
  if (!running_) {
    return false;
  }
  answer(abortResponse);
  return true;
}

bool Alert::makeFirstResponder(View* view) {
  return focus_->moveTo(view);
}

View* Alert::firstResponder() const {
  return focus_->current();
}

void Alert::viewTreeChanged() {
  application_->interfaceChanged();
}

AlertRecord Alert::describe() const {
  AlertRecord record;
  record.style = styleName(style_);
  record.messageText = messageText_;
  record.informativeText = informativeText_;
  for (const auto& button : buttons_) {
    record.buttons.push_back(button->title());
  }
  if (accessoryView_) {
    record.accessory = accessoryView_->describe();
  }
  record.size = size_;
  record.layoutCount = layoutCount_;
  return record;
}

}  // namespace platform
