#include "platform/VisualEffectView.h"

#include <nlohmann/json.hpp>

namespace platform {

VisualEffectView::VisualEffectView(Rect frame) : View(frame) {}

void VisualEffectView::setMaterial(int material) {
  material_ = material;
  changed();
}

void VisualEffectView::setBlendingMode(int blendingMode) {
  blendingMode_ = blendingMode;
  changed();
}

void VisualEffectView::setState(int state) {
  state_ = state;
  changed();
}

void VisualEffectView::describeProperties(nlohmann::json& description) const {
  description["material"] = material_;
  description["blendingMode"] = blendingMode_;
  description["state"] = state_;
}

}  // namespace platform
