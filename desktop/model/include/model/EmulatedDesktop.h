#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "model/DesktopState.h"
#include "model/KeyNames.h"
#include "model/ScreenLayout.h"
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
  // The user's hands on the screen as it is drawn (ScreenLayout): a click at a point, in points
  // from the main screen's top left, on whatever the picture shows there (ScreenHit); and a key as
  // a person types it: Escape closes an open menu, a registered hot key goes to its program, Return
  // and Escape answer the frontmost alert, any other key goes to the key window. False when nothing
  // took it.
  bool clickAt(Point point);
  bool type(std::string_view keyWords);
  // Answers the next modal alert as soon as it appears (it may first act on the alert's accessory,
  // for example choose a pop-up entry, then click a button).
  void whenAlertAppears(std::function<void(EmulatedDesktop&)> answer);

  // Everything on screen, and the same as text, as `desktopctl show` prints it.
  ScreenContents describeScreen() const { return screenContents(); }
  std::string renderText() const;
  // What the screen shows, as it is drawn: the main screen, everything on it, the active
  // application and the menu the user opened.
  ScreenScene scene() const;
  // The menu the user opened with a click, while its program still shows it.
  std::optional<OpenMenu> openMenu() const;

 private:
  // Hands the key combination to the program that registered it; false when nobody did.
  bool pressHotKey(const KeyChord& chord);
  bool sendInput(std::uint64_t client, UserInput input);
  void answerAlert();

  std::deque<std::function<void(EmulatedDesktop&)>> alertAnswers_;
  std::optional<OpenMenu> openMenu_;
};

}  // namespace platform
