#pragma once

#include <string>

#include "platform/View.h"

namespace platform {

// A backdrop drawn by the desktop behind or within a window. Material, blending mode and state are
// the platform's raw enumeration values (material 21: under-window background; blending mode 0:
// behind the window; state 1: always active). All three are 0 unless changed.
class VisualEffectView : public View {
 public:
  explicit VisualEffectView(Rect frame = {});

  int material() const { return material_; }
  void setMaterial(int material);
  int blendingMode() const { return blendingMode_; }
  void setBlendingMode(int blendingMode);
  int state() const { return state_; }
  void setState(int state);

  std::string kind() const override { return "visualEffectView"; }

 protected:
  // "material", "blendingMode", "state".
  void describeProperties(ViewRecord& description) const override;

 private:
  int material_ = 0;
  int blendingMode_ = 0;
  int state_ = 0;
};

}  // namespace platform
