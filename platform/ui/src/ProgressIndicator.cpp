#include "platform/ProgressIndicator.h"

namespace platform {

ProgressIndicator::ProgressIndicator(Rect frame) : View(frame) {}

void ProgressIndicator::setStyle(ProgressIndicatorStyle style) {
  style_ = style;
  changed();
}

void ProgressIndicator::setIndeterminate(bool indeterminate) {
  indeterminate_ = indeterminate;
  changed();
}

void ProgressIndicator::setMinValue(double value) {
  minValue_ = value;
  changed();
}

void ProgressIndicator::setMaxValue(double value) {
  maxValue_ = value;
  changed();
}

void ProgressIndicator::setDoubleValue(double value) {
  doubleValue_ = value;
  changed();
}

void ProgressIndicator::setControlSize(ControlSize size) {
  controlSize_ = size;
  changed();
}

void ProgressIndicator::startAnimation() {
  animating_ = true;
  changed();
}

void ProgressIndicator::stopAnimation() {
  animating_ = false;
  changed();
}

void ProgressIndicator::describeProperties(ViewRecord& description) const {
  description.progress =
      ProgressRecord{style_ == ProgressIndicatorStyle::spinning ? "spinning" : "bar",
                     indeterminate_,
                     minValue_,
                     maxValue_,
                     doubleValue_,
                     controlSize_ == ControlSize::small ? "small" : "regular",
                     animating_};
}

}  // namespace platform
