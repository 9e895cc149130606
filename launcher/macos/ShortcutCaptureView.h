#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Application.h"
#include "platform/Control.h"
#include "platform/Label.h"

namespace launcher {

// The settings window's shortcut field. A click gives it the keyboard focus (accent border); each
// key-down while it has the focus becomes a shortcut text such as "control+option+b" (modifiers in
// the fixed order control, option, shift, command), shown in display form and told to
// onShortcutCaptured. A key without one of those four modifiers, or that no hot-key name names
// (platform::hotKeyWord), is refused with the alert sound. It registers nothing. Main thread only.
//
// Make it with std::make_shared, as every view.
class ShortcutCaptureView : public platform::Control {
 public:
  // application: where the alert sound of a refused key is played.
  explicit ShortcutCaptureView(platform::Rect frame, platform::Application& application);

  // The shortcut text shown, in display form ("Control + Option + B"); empty shows nothing.
  const std::string& shortcutValue() const { return shortcutValue_; }
  void setShortcutValue(std::string value);

  // The second line under the shortcut.
  const std::string& hintText() const { return hintLabel_->text(); }
  void setHintText(std::string text);

  void setOnShortcutCaptured(std::function<void(const std::string&)> onCaptured);

  bool acceptsFirstResponder() const override { return true; }
  bool resignFirstResponder() override;
  void mouseDown() override;
  void keyDown(const platform::KeyEvent& event) override;

  std::string kind() const override { return "shortcutCaptureView"; }

 private:
  platform::Application& application_;
  std::shared_ptr<platform::Label> valueLabel_;
  std::shared_ptr<platform::Label> hintLabel_;
  std::function<void(const std::string&)> onShortcutCaptured_;
  std::string shortcutValue_;
};

}  // namespace launcher
