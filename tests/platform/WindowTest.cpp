#include "platform/Window.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/Button.h"
#include "platform/EmulatedDesktop.h"
#include "platform/EventLoop.h"
#include "platform/KeyEvent.h"
#include "platform/View.h"

namespace {

using namespace platform;

constexpr std::uint16_t returnKey = 36;
constexpr std::uint16_t keyB = 11;

// A view that takes the keyboard focus (unless told to refuse) and records what reaches it.
class FocusView : public View {
 public:
  explicit FocusView(std::string identifier) { setIdentifier(std::move(identifier)); }

  bool acceptsFirstResponder() const override { return accepts; }
  bool becomeFirstResponder() override {
    ++becomes;
    return takesFocus;
  }
  bool resignFirstResponder() override {
    ++resigns;
    return givesUpFocus;
  }
  void mouseDown() override { ++mouseDowns; }
  void keyDown(const KeyEvent& event) override { keys.push_back(event.keyCode); }

  bool accepts = true;
  bool takesFocus = true;
  bool givesUpFocus = true;
  int becomes = 0;
  int resigns = 0;
  int mouseDowns = 0;
  std::vector<std::uint16_t> keys;
};

class WindowTest : public ::testing::Test {
 protected:
  // A window like the settings window: titled and closable, 560 by 480 points of content.
  std::unique_ptr<Window> makeWindow() {
    return std::make_unique<Window>(Rect{0, 0, 560, 480},
                                    windowStyle::titled | windowStyle::closable,
                                    BackingStore::buffered, false, application);
  }

  EmulatedDesktop desktop;
  EventLoop loop;
  std::unique_ptr<DesktopConnection> connection = desktop.connect(loop);
  Application application{
      *connection, loop,
      ApplicationIdentity{4201, "com.quorrel.launcher", std::nullopt, std::nullopt}};
};

TEST_F(WindowTest, TheContentViewFillsTheContentAreaBelowTheTitleBar) {
  auto window = makeWindow();

  EXPECT_EQ(window->frame(), (Rect{0, 0, 560, 480 + Window::titleBarHeight}));
  EXPECT_EQ(window->contentRect(), (Rect{0, 0, 560, 480}));
  ASSERT_NE(window->contentView(), nullptr);
  EXPECT_EQ(window->contentView()->frame(), (Rect{0, 0, 560, 480}));

  auto old = window->contentView();
  auto content = std::make_shared<View>(Rect{5, 5, 10, 10});
  window->setContentView(content);

  EXPECT_EQ(content->frame(), (Rect{0, 0, 560, 480}));
  EXPECT_EQ(content->host(), window.get());
  EXPECT_EQ(old->host(), nullptr);

  Window borderless(Rect{10, 20, 420, 180}, windowStyle::borderless, BackingStore::buffered, true,
                    application);
  EXPECT_EQ(borderless.frame(), (Rect{10, 20, 420, 180}));
}

TEST_F(WindowTest, CenteringUsesTheFirstScreen) {
  desktop.setScreens({ScreenDescription{"Built-in", 1, Rect{0, 0, 1440, 900}, 2.0},
                      ScreenDescription{"Studio", 2, Rect{1440, 0, 2560, 1440}, 1.0}});
  auto window = makeWindow();

  window->center();

  EXPECT_EQ(window->frame(), (Rect{440, 196, 560, 508}));
}

TEST_F(WindowTest, CenteringWithoutScreensLeavesTheWindowWhereItIs) {
  desktop.setScreens({});
  Window window(Rect{30, 40, 460, 220}, windowStyle::titled, BackingStore::buffered, false,
                application);

  window.center();

  EXPECT_EQ(window.frame().x, 30);
  EXPECT_EQ(window.frame().y, 40);
}

TEST_F(WindowTest, OrderingFrontAndOutAndClosing) {
  auto window = makeWindow();
  EXPECT_TRUE(application.windows().empty());

  window->makeKeyAndOrderFront();
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->isKeyWindow());
  EXPECT_EQ(application.keyWindow(), window.get());

  window->orderOut();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->isKeyWindow());
  EXPECT_EQ(application.windows(), std::vector<Window*>{window.get()});

  // Kept when not released on close; it can be shown again.
  window->setReleasedWhenClosed(false);
  window->makeKeyAndOrderFront();
  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(application.windows(), std::vector<Window*>{window.get()});
  EXPECT_EQ(application.keyWindow(), nullptr);

  window->setReleasedWhenClosed(true);
  window->makeKeyAndOrderFront();
  window->close();
  EXPECT_TRUE(application.windows().empty());

  window->makeKeyAndOrderFront();
  window.reset();
  EXPECT_TRUE(application.windows().empty());
  EXPECT_EQ(application.keyWindow(), nullptr);
}

TEST_F(WindowTest, TheFirstResponderChangesOnlyWhenBothViewsAgree) {
  auto window = makeWindow();
  auto capture = std::make_shared<FocusView>("shortcutCapture");
  auto other = std::make_shared<FocusView>("other");
  auto plain = std::make_shared<View>();
  window->contentView()->addSubview(capture);
  window->contentView()->addSubview(other);
  window->contentView()->addSubview(plain);

  EXPECT_TRUE(window->makeFirstResponder(capture.get()));
  EXPECT_EQ(window->firstResponder(), capture.get());

  // A plain view does not accept the focus.
  EXPECT_FALSE(window->makeFirstResponder(plain.get()));
  EXPECT_EQ(window->firstResponder(), capture.get());

  // A view outside the window cannot take it.
  auto stranger = std::make_shared<FocusView>("stranger");
  EXPECT_FALSE(window->makeFirstResponder(stranger.get()));

  // The focused view refuses to give it up.
  capture->givesUpFocus = false;
  EXPECT_FALSE(window->makeFirstResponder(other.get()));
  EXPECT_EQ(window->firstResponder(), capture.get());
  EXPECT_EQ(other->becomes, 0);

  // It gives it up, but the new one refuses to take it: nobody has the focus.
  capture->givesUpFocus = true;
  other->takesFocus = false;
  EXPECT_FALSE(window->makeFirstResponder(other.get()));
  EXPECT_EQ(window->firstResponder(), nullptr);

  other->takesFocus = true;
  EXPECT_TRUE(window->makeFirstResponder(other.get()));
  EXPECT_EQ(window->describe()["firstResponder"], "other");

  // Leaving the tree takes the focus away.
  other->removeFromSuperview();
  EXPECT_EQ(window->firstResponder(), nullptr);
}

TEST_F(WindowTest, AClickFocusesAViewThatTakesTheFocusAndPressesButtons) {
  auto window = makeWindow();
  auto capture = std::make_shared<FocusView>("shortcutCapture");
  auto apply = Button::pushButton("Apply");
  apply->setIdentifier("applyButton");
  int applied = 0;
  apply->setAction([&applied](Control& /*sender*/) { ++applied; });
  auto download = Button::pushButton("Open Download Page");
  download->setHidden(true);
  window->contentView()->addSubview(capture);
  window->contentView()->addSubview(apply);
  window->contentView()->addSubview(download);

  EXPECT_TRUE(window->click("shortcutCapture"));
  EXPECT_EQ(capture->mouseDowns, 1);
  EXPECT_EQ(window->firstResponder(), capture.get());

  // Buttons do not take the focus.
  EXPECT_TRUE(window->click("applyButton"));
  EXPECT_TRUE(window->click("Apply"));
  EXPECT_EQ(applied, 2);
  EXPECT_EQ(window->firstResponder(), capture.get());

  apply->setEnabled(false);
  EXPECT_TRUE(window->click("Apply"));
  EXPECT_EQ(applied, 2);

  EXPECT_FALSE(window->click("Open Download Page"));
  EXPECT_FALSE(window->click("Nothing"));
}

TEST_F(WindowTest, ReturnPressesTheDefaultButtonAndOtherKeysGoToTheFocusedView) {
  auto window = makeWindow();
  auto capture = std::make_shared<FocusView>("shortcutCapture");
  auto apply = Button::pushButton("Apply");
  apply->setKeyEquivalent("\r");
  int applied = 0;
  apply->setAction([&applied](Control& /*sender*/) { ++applied; });
  window->contentView()->addSubview(capture);
  window->contentView()->addSubview(apply);

  // No focus yet: the Return key still reaches the default button, other keys go nowhere.
  EXPECT_TRUE(window->keyDown(KeyEvent{returnKey, 0, false}));
  EXPECT_FALSE(window->keyDown(KeyEvent{keyB, modifierFlag::command, false}));
  EXPECT_EQ(applied, 1);

  ASSERT_TRUE(window->makeFirstResponder(capture.get()));
  EXPECT_TRUE(window->keyDown(KeyEvent{returnKey, modifierFlag::capsLock, false}));
  EXPECT_TRUE(window->keyDown(KeyEvent{returnKey, modifierFlag::command, false}));
  EXPECT_TRUE(window->keyDown(KeyEvent{keyB, modifierFlag::option, false}));
  EXPECT_EQ(applied, 2);
  EXPECT_EQ(capture->keys, (std::vector<std::uint16_t>{returnKey, keyB}));

  // A disabled default button leaves Return to the focused view.
  apply->setEnabled(false);
  EXPECT_TRUE(window->keyDown(KeyEvent{returnKey, 0, false}));
  EXPECT_EQ(applied, 2);
  EXPECT_EQ(capture->keys.back(), returnKey);
}

TEST_F(WindowTest, TheDesktopSeesTheKeyWindowAndDrivesIt) {
  auto window = makeWindow();
  window->setTitle("Settings");
  window->setLevel(windowLevel::floating);
  window->setTitleVisibility(TitleVisibility::hidden);
  auto capture = std::make_shared<FocusView>("shortcutCapture");
  auto apply = Button::pushButton("Apply");
  apply->setKeyEquivalent("\r");
  int applied = 0;
  apply->setAction([&applied](Control& /*sender*/) { ++applied; });
  window->contentView()->addSubview(capture);
  window->contentView()->addSubview(apply);
  window->makeKeyAndOrderFront();
  loop.runUntilIdle();

  EXPECT_TRUE(desktop.click("shortcutCapture"));
  EXPECT_TRUE(desktop.key("command+b"));
  EXPECT_TRUE(desktop.key("return"));
  loop.runUntilIdle();

  EXPECT_EQ(capture->keys, std::vector<std::uint16_t>{keyB});
  EXPECT_EQ(applied, 1);
  // Later changes to the tree reach the desktop too.
  apply->setTitle("Appliquer");
  loop.runUntilIdle();
  const auto shown = desktop.describeScreen()["windows"];
  ASSERT_EQ(shown.size(), 1U);
  EXPECT_EQ(shown[0]["title"], "Settings");
  EXPECT_EQ(shown[0]["frame"], (nlohmann::json{0, 0, 560, 508}));
  EXPECT_EQ(shown[0]["level"], 3);
  EXPECT_EQ(shown[0]["titleVisibility"], "hidden");
  EXPECT_EQ(shown[0]["key"], true);
  EXPECT_EQ(shown[0]["firstResponder"], "shortcutCapture");
  EXPECT_EQ(shown[0]["contentView"]["subviews"][1]["title"], "Appliquer");

  window->orderOut();
  loop.runUntilIdle();
  EXPECT_TRUE(desktop.describeScreen()["windows"].empty());
}

}  // namespace
