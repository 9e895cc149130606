#pragma once

#include <string>

#include "platform/View.h"

namespace platform {

enum class ProgressIndicatorStyle { bar, spinning };
enum class ControlSize { regular, small };

// A progress bar or spinner. Indeterminate, from 0 to 100 at 0, bar style, regular size and not
// animating unless changed. The value is shown as set; the caller keeps it within the range.
class ProgressIndicator : public View {
 public:
  explicit ProgressIndicator(Rect frame = {});

  ProgressIndicatorStyle style() const { return style_; }
  void setStyle(ProgressIndicatorStyle style);
  bool isIndeterminate() const { return indeterminate_; }
  void setIndeterminate(bool indeterminate);
  double minValue() const { return minValue_; }
  void setMinValue(double value);
  double maxValue() const { return maxValue_; }
  void setMaxValue(double value);
  double doubleValue() const { return doubleValue_; }
  void setDoubleValue(double value);
  ControlSize controlSize() const { return controlSize_; }
  void setControlSize(ControlSize size);

  void startAnimation();
  void stopAnimation();
  bool isAnimating() const { return animating_; }

  std::string kind() const override { return "progressIndicator"; }

 protected:
  // "style": "bar" | "spinning", "indeterminate", "minValue", "maxValue", "doubleValue",
  // "controlSize": "regular" | "small", "animating".
  void describeProperties(ViewRecord& description) const override;

 private:
  ProgressIndicatorStyle style_ = ProgressIndicatorStyle::bar;
  bool indeterminate_ = true;
  double minValue_ = 0;
  double maxValue_ = 100;
  double doubleValue_ = 0;
  ControlSize controlSize_ = ControlSize::regular;
  bool animating_ = false;
};

}  // namespace platform
