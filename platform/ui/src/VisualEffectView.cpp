#include "platform/VisualEffectView.h"

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

void VisualEffectView::describeProperties(ViewRecord& description) const {
  description.visualEffect = VisualEffectRecord{material_, blendingMode_, state_};
}

}  // namespace platform
