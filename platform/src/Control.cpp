#include "platform/Control.h"

#include <utility>

#include <nlohmann/json.hpp>

namespace platform {

Control::Control(Rect frame) : View(frame) {}

void Control::setEnabled(bool enabled) {
  enabled_ = enabled;
  changed();
}

void Control::setFont(Font font) {
  font_ = font;
  changed();
}

void Control::setAction(Action action) {
  action_ = std::move(action);
}

void Control::sendAction() {
  if (!action_) {
    return;
  }
  // A copy, so that an action that replaces the control's action still runs to its end.
  const Action action = action_;
  action(*this);
}

void Control::performClick() {
  if (enabled_) {
    sendAction();
  }
}

void Control::mouseDown() {
  if (enabled_) {
    performClick();
  }
}

void Control::describeProperties(nlohmann::json& description) const {
  description["enabled"] = enabled_;
  description["font"] = font_;
}

}  // namespace platform
