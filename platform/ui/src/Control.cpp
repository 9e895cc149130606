#include "platform/Control.h"

#include <utility>

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

void Control::describeProperties(ViewRecord& description) const {
  description.control = ControlRecord{enabled_, font_};
}

}  // namespace platform
