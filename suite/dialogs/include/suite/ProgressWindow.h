#pragma once

#include <memory>
#include <string>

#include "platform/Application.h"
#include "platform/Label.h"
#include "platform/ProgressIndicator.h"
#include "platform/View.h"
#include "platform/Window.h"

namespace suite {

// The floating window that shows the installation's or the removal's progress: titled with the
// product's name, centred, key and in front, its message wrapped in two lines at most. It leaves
// the screen when it is destroyed. Main thread only.
class ProgressWindow {
 public:
  // The installer's: 460 by 220 on a visual-effect background, a bar that starts at 0.02 under the
  // message and the hint below it.
  static std::unique_ptr<ProgressWindow> withBar(platform::Application& application,
                                                 const std::string& message,
                                                 const std::string& hint);
  // The uninstaller's: 420 by 180, a spinning indicator beside the message.
  static std::unique_ptr<ProgressWindow> withSpinner(platform::Application& application,
                                                     const std::string& message);

  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;
  ProgressWindow(ProgressWindow&&) = delete;
  ProgressWindow& operator=(ProgressWindow&&) = delete;

  // The bar at `value`, clamped to 0...1, and the message.
  void update(double value, const std::string& message);

  const platform::Window& window() const { return *window_; }

 private:
  ProgressWindow(platform::Application& application, double width, double height);
  // Puts the content in the window and brings it to the front.
  void show(platform::Application& application, std::shared_ptr<platform::View> content);

  std::unique_ptr<platform::Window> window_;
  std::shared_ptr<platform::Label> message_;
  std::shared_ptr<platform::ProgressIndicator> bar_;  // the installer's only
};

}  // namespace suite
