#include "platform/ProgressIndicator.h"

#include <nlohmann/json.hpp>

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

void ProgressIndicator::describeProperties(nlohmann::json& description) const {
  description["style"] = style_ == ProgressIndicatorStyle::spinning ? "spinning" : "bar";
  description["indeterminate"] = indeterminate_;
  description["minValue"] = minValue_;
  description["maxValue"] = maxValue_;
  description["doubleValue"] = doubleValue_;
  description["controlSize"] = controlSize_ == ControlSize::small ? "small" : "regular";
  description["animating"] = animating_;
}

}  // namespace platform
