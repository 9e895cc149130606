#include "platform/Button.h"

#include <cmath>
#include <utility>

#include "platform/TextMetrics.h"

namespace platform {

namespace {

const char* stateName(ControlState state) {
  switch (state) {
    case ControlState::mixed:
      return "mixed";
    case ControlState::off:
      return "off";
    case ControlState::on:
      return "on";
  }
  return "off";
}

}  // namespace

std::shared_ptr<Button> Button::pushButton(std::string title) {
  return std::make_shared<Button>(ButtonType::push, std::move(title));
}

std::shared_ptr<Button> Button::checkbox(std::string title) {
  return std::make_shared<Button>(ButtonType::checkbox, std::move(title));
}

Button::Button(ButtonType type, std::string title)
    : type_(type),
      title_(std::move(title)),
      bezelStyle_(type == ButtonType::push ? BezelStyle::rounded : BezelStyle::regularSquare) {}

void Button::setTitle(std::string title) {
  title_ = std::move(title);
  changed();
}

void Button::setState(ControlState state) {
  state_ = state;
  changed();
}

void Button::setBezelStyle(BezelStyle style) {
  bezelStyle_ = style;
  changed();
}

void Button::setKeyEquivalent(std::string keyEquivalent) {
  keyEquivalent_ = std::move(keyEquivalent);
  changed();
}

std::optional<Size> Button::intrinsicContentSize() const {
  const double titleWidth = std::ceil(textWidth(title_, font()));
  if (type_ == ButtonType::push) {
    return Size{titleWidth + 24, 24};
  }
  return Size{18 + titleWidth, 18};
}

void Button::performClick() {
  if (!isEnabled()) {
    return;
  }
  if (type_ == ButtonType::checkbox) {
    setState(state_ == ControlState::on ? ControlState::off : ControlState::on);
  }
  sendAction();
}

void Button::describeProperties(ViewRecord& description) const {
  Control::describeProperties(description);
  description.button = ButtonRecord{
      title_, type_ == ButtonType::push ? "push" : "checkbox", stateName(state_), keyEquivalent_,
      bezelStyle_ == BezelStyle::rounded ? "rounded" : "regularSquare"};
}

}  // namespace platform
