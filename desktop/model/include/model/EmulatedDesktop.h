#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "model/DesktopState.h"
#include "platform/DesktopConnection.h"
#include "platform/EventLoop.h"

namespace platform {

// The emulated desktop: its state (DesktopState), the user's hands that drive it, and connections
// for programs of this process. One instance serves the programs of one test process (connect())
// or, in the desktop daemon, of every process. Main thread only.
class EmulatedDesktop : public DesktopState {
 public:
  EmulatedDesktop();
  ~EmulatedDesktop();
  EmulatedDesktop(const EmulatedDesktop&) = delete;
  EmulatedDesktop& operator=(const EmulatedDesktop&) = delete;
  EmulatedDesktop(EmulatedDesktop&&) = delete;
  EmulatedDesktop& operator=(EmulatedDesktop&&) = delete;

  // A program in this process: its connection delivers the desktop's events as blocks on `loop`.
  // The connection must not outlive the desktop.
  std::unique_ptr<DesktopConnection> connect(EventLoop& loop);

  // The user's hands. Each returns false when what it addresses is not there. Events reach the
  // programs as blocks on their loops: run the loops to let them act.
  bool press(std::string_view shortcutWords);
  bool focus(const std::string& bundleIdentifier);
  bool chooseMenuItem(const std::string& title,
                      const std::optional<std::string>& bundleIdentifier = std::nullopt);
  bool click(const std::string& target);
  bool select(const std::string& item, const std::optional<std::string>& popUp = std::nullopt);
  bool key(std::string_view keyWords);
  bool dismissAlert();
  // Answers the next modal alert as soon as it appears (it may first act on the alert's accessory,
  // for example choose a pop-up entry, then click a button).
  void whenAlertAppears(std::function<void(EmulatedDesktop&)> answer);

  // Everything on screen, and the same as text, as `desktopctl show` prints it.
  ScreenContents describeScreen() const { return screenContents(); }
  std::string renderText() const;

 private:
  bool sendInput(std::uint64_t client, UserInput input);
  void answerAlert();

  std::deque<std::function<void(EmulatedDesktop&)>> alertAnswers_;
};

}  // namespace platform
