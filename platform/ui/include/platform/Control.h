#pragma once

#include <functional>
#include <string>

#include "platform/Appearance.h"
#include "platform/View.h"

namespace platform {

// A view the user acts on: it can be disabled, draws its text in a font, and sends its action to
// whoever installed one. Main thread only.
class Control : public View {
 public:
  using Action = std::function<void(Control& sender)>;

  explicit Control(Rect frame = {});

  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);
  const Font& font() const { return font_; }
  void setFont(Font font);

  // The action replaces the target-action pair of the platform; empty means none.
  void setAction(Action action);
  bool hasAction() const { return static_cast<bool>(action_); }
  // Calls the action with this control as sender, if there is one.
  void sendAction();

  // A click as the control handles it: by default it sends the action. Does nothing when disabled.
  virtual void performClick();
  // The default mouse handling of a control: an enabled control is clicked.
  void mouseDown() override;

 protected:
  // Adds "enabled" and "font" ({"size": points, "weight": "regular" | "medium" | ...}).
  void describeProperties(ViewRecord& description) const override;

 private:
  bool enabled_ = true;
  Font font_ = Font::system(13);
  Action action_;
};

}  // namespace platform
