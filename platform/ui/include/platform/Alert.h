#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Application.h"
#include "platform/Button.h"
#include "platform/Geometry.h"
#include "platform/InterfaceRecords.h"
#include "platform/View.h"

namespace platform {

namespace hosting {
class KeyboardFocus;
}

enum class AlertStyle { warning = 0, informational = 1, critical = 2 };

// How a modal run ended: a button's response, or abortResponse.
using ModalResponse = int;

// A modal alert: a message, an informative text, buttons and an optional accessory view. It hosts
// the accessory's view tree and its buttons, so changes to them reach the desktop while it is
// shown. The application must outlive it. Main thread only.
class Alert : public ViewHost {
 public:
  // The buttons answer in the order added: 1000, 1001, 1002, ...
  static constexpr ModalResponse firstButtonReturn = 1000;
  static constexpr ModalResponse secondButtonReturn = 1001;
  static constexpr ModalResponse thirdButtonReturn = 1002;
  // The platform's abort response: the alert was closed without a button (Escape or its close
  // control), or the application terminated while it was shown.
  static constexpr ModalResponse abortResponse = -1001;

  explicit Alert(Application& application);
  ~Alert() override;
  Alert(const Alert&) = delete;
  Alert& operator=(const Alert&) = delete;
  Alert(Alert&&) = delete;
  Alert& operator=(Alert&&) = delete;

  AlertStyle alertStyle() const { return style_; }
  void setAlertStyle(AlertStyle style);
  const std::string& messageText() const { return messageText_; }
  void setMessageText(std::string text);
  const std::string& informativeText() const { return informativeText_; }
  void setInformativeText(std::string text);

  // Adds a push button; the first one added is the default button (Return). Its title may be
  // changed later through the returned button.
  std::shared_ptr<Button> addButton(std::string title);
  const std::vector<std::shared_ptr<Button>>& buttons() const { return buttons_; }

  const std::shared_ptr<View>& accessoryView() const { return accessoryView_; }
  void setAccessoryView(std::shared_ptr<View> view);

  // Sizes the alert to its texts, accessory view and buttons as they are now. runModal lays the
  // alert out once when it starts; after that the size follows changes only through layout().
  void layout();
  Size size() const { return size_; }
  int layoutCount() const { return layoutCount_; }

  // Shows the alert (an alert without buttons gets "OK") and runs the application's loop, blocks,
  // timers and sources included, until a button is pressed, the alert is dismissed or the
  // application terminates; returns the response.
  ModalResponse runModal();
  bool isRunning() const { return running_; }

  // The user's hands, for the desktop's driver and tests. Pressing a button answers the running
  // alert with the button's response.
  bool clickButton(std::string_view title);
  // A click on a button (by title or identifier) or, failing that, on a shown view of the
  // accessory (see Window::click).
  bool click(const std::string& target);
  // Closes the running alert without a button: it answers abortResponse. False when not running.
  bool dismiss();

  bool makeFirstResponder(View* view) override;
  View* firstResponder() const override;
  void viewTreeChanged() override;

  // The alert as the desktop shows it: style, texts, button titles in order, accessory, size.
  AlertRecord describe() const;

 private:
  void answer(ModalResponse response);

  Application* application_;
  AlertStyle style_ = AlertStyle::warning;
  std::string messageText_;
  std::string informativeText_;
  std::vector<std::shared_ptr<Button>> buttons_;
  std::shared_ptr<View> accessoryView_;
  std::unique_ptr<hosting::KeyboardFocus> focus_;
  Size size_;
  int layoutCount_ = 0;
  bool running_ = false;
  std::optional<ModalResponse> response_;
};

}  // namespace platform
