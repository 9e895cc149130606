#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Appearance.h"
#include "platform/Application.h"
#include "platform/Geometry.h"
#include "platform/InterfaceRecords.h"
#include "platform/KeyEvent.h"
#include "platform/View.h"

namespace platform {

namespace hosting {
class KeyboardFocus;
}

// Window style mask bits, with the platform's values.
namespace windowStyle {
inline constexpr std::uint32_t borderless = 0;
inline constexpr std::uint32_t titled = 1U << 0;
inline constexpr std::uint32_t closable = 1U << 1;
inline constexpr std::uint32_t miniaturizable = 1U << 2;
inline constexpr std::uint32_t resizable = 1U << 3;
}  // namespace windowStyle

// Window levels, with the platform's values: a floating window stays above normal ones.
namespace windowLevel {
inline constexpr int normal = 0;
inline constexpr int floating = 3;
}  // namespace windowLevel

enum class BackingStore { buffered = 2 };
enum class TitleVisibility { visible = 0, hidden = 1 };

// A window of the application: a frame on screen (a titled window has a title bar above its
// content area) holding one view tree, its content view. It registers with the application when
// it is first ordered front and leaves it when it is released (closed while released when closed,
// or destroyed). The application must outlive it. Main thread only.
class Window : public ViewHost {
 public:
  static constexpr double titleBarHeight = 28;

  // The content rectangle is in screen coordinates. The window starts with an empty plain content
  // view of the content size, hidden.
  Window(Rect contentRect, std::uint32_t styleMask, BackingStore backing, bool defer,
         Application& application);
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  Window(Window&&) = delete;
  Window& operator=(Window&&) = delete;

  // The whole window, title bar included, and its content area, in screen coordinates.
  Rect frame() const { return frame_; }
  Rect contentRect() const;
  std::uint32_t styleMask() const { return styleMask_; }
  BackingStore backingType() const { return backing_; }
  bool isDeferred() const { return deferred_; }

  const std::string& title() const { return title_; }
  void setTitle(std::string title);
  TitleVisibility titleVisibility() const { return titleVisibility_; }
  void setTitleVisibility(TitleVisibility visibility);
  // The toolbar style as the platform's raw value (2: preference).
  int toolbarStyle() const { return toolbarStyle_; }
  void setToolbarStyle(int style);
  int level() const { return level_; }
  void setLevel(int level);
  bool isReleasedWhenClosed() const { return releasedWhenClosed_; }
  void setReleasedWhenClosed(bool released);
  const Color& backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(Color color);
  bool isOpaque() const { return opaque_; }
  void setOpaque(bool opaque);
  bool titlebarAppearsTransparent() const { return titlebarAppearsTransparent_; }
  void setTitlebarAppearsTransparent(bool transparent);

  // The root of the window's view tree. Setting it sizes the view to the content area, makes this
  // window its host and detaches the previous one.
  const std::shared_ptr<View>& contentView() const { return contentView_; }
  void setContentView(std::shared_ptr<View> view);

  // Gives the content area a new size with the window's top-left corner where it was; the content
  // view takes that size and its subviews keep their frames.
  void setContentSize(Size size);

  // Centres the window on the main screen (the desktop's first); unchanged without screens.
  void center();
  // Shows the window and makes it the application's key window.
  void makeKeyAndOrderFront();
  // Takes the window off the screen; it stays the application's until it is released.
  void orderOut();
  // Orders the window out and, when it is released when closed, leaves the application.
  void close();
  bool isVisible() const { return visible_; }
  bool isKeyWindow() const;

  // Keyboard focus (see ViewHost): the old first responder may refuse to resign, the new one must
  // accept the focus and may refuse to take it.
  bool makeFirstResponder(View* view) override;
  View* firstResponder() const override;
  void viewTreeChanged() override;

  // The user's hands, for the desktop's driver. A click on the view named target (identifier,
  // else title or text): a view that accepts the focus takes it, then it gets the mouse-down
  // (an enabled control is clicked). False when no shown view has that name.
  bool click(const std::string& target);
  // A key-down: Return (key code 36) without modifiers presses the enabled default button (a push
  // button whose key equivalent is "\r"); any other key goes to the first responder. False when
  // nothing took it.
  bool keyDown(const KeyEvent& event);

  // The window as the desktop shows it: its frame, style, state, views and focused view.
  WindowRecord describe() const;

 private:
  Application* application_;
  Rect frame_;
  std::uint32_t styleMask_;
  BackingStore backing_;
  bool deferred_;
  std::string title_;
  TitleVisibility titleVisibility_ = TitleVisibility::visible;
  int toolbarStyle_ = 0;
  int level_ = windowLevel::normal;
  bool releasedWhenClosed_ = true;
  Color backgroundColor_ = Color::named("windowBackgroundColor");
  bool opaque_ = true;
  bool titlebarAppearsTransparent_ = false;
  std::shared_ptr<View> contentView_;
  std::unique_ptr<hosting::KeyboardFocus> focus_;
  bool visible_ = false;
  bool registered_ = false;
};

}  // namespace platform
