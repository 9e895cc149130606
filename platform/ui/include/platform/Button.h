#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/Control.h"

namespace platform {

enum class ButtonType { push, checkbox };

// A button's state, with the platform's values.
enum class ControlState { mixed = -1, off = 0, on = 1 };

// The look of a push button's frame, with the platform's values.
enum class BezelStyle { rounded = 1, regularSquare = 2 };

// A push button or a checkbox. Main thread only.
class Button : public Control {
 public:
  // A push button with a rounded bezel, or a checkbox, with that title.
  static std::shared_ptr<Button> pushButton(std::string title);
  static std::shared_ptr<Button> checkbox(std::string title);

  Button(ButtonType type, std::string title);

  ButtonType type() const { return type_; }
  const std::string& title() const { return title_; }
  void setTitle(std::string title);
  ControlState state() const { return state_; }
  void setState(ControlState state);
  BezelStyle bezelStyle() const { return bezelStyle_; }
  void setBezelStyle(BezelStyle style);
  // The key that presses the button: "\r" makes it the window's default button (Return).
  const std::string& keyEquivalent() const { return keyEquivalent_; }
  void setKeyEquivalent(std::string keyEquivalent);

  // Push button: the title's width plus 24 points of bezel, 24 high. Checkbox: the 18-point box
  // before the title, 18 high.
  std::optional<Size> intrinsicContentSize() const override;

  // A checkbox changes its state first (off and mixed turn on, on turns off), then the action is
  // sent. Does nothing when disabled.
  void performClick() override;

  std::string kind() const override { return "button"; }
  std::string addressableText() const override { return title_; }

 protected:
  // Adds "title", "type" ("push" | "checkbox"), "state" ("off" | "on" | "mixed"),
  // "keyEquivalent" and "bezel" ("rounded" | "regularSquare").
  void describeProperties(ViewRecord& description) const override;

 private:
  ButtonType type_;
  std::string title_;
  ControlState state_ = ControlState::off;
  BezelStyle bezelStyle_;
  std::string keyEquivalent_;
};

}  // namespace platform
