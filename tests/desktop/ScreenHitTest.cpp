#include "model/ScreenHit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/EmulatedDesktop.h"
#include "model/ScreenLayout.h"
#include "platform/Alert.h"
#include "platform/Button.h"
#include "platform/Menu.h"
#include "platform/PollEventLoop.h"
#include "platform/PopUpButton.h"
#include "platform/StatusItem.h"
#include "platform/Window.h"
#include "support/DesktopProgram.h"

namespace {

using namespace platform;
using Kind = ScreenHit::Kind;

ViewRecord control(std::string identifier, std::string kind, Rect frame, bool enabled = true) {
  ViewRecord made;
  made.identifier = std::move(identifier);
  made.kind = std::move(kind);
  made.frame = frame;
  made.control = ControlRecord{enabled, Font::system(13)};
  return made;
}

ViewRecord titled(std::string title, Rect frame) {
  ViewRecord made = control("", "button", frame);
  made.button = ButtonRecord{std::move(title), "push", "off", "", "rounded"};
  return made;
}

WindowRecord window(std::string title, Rect frame, std::vector<ViewRecord> views) {
  WindowRecord made;
  made.title = std::move(title);
  made.frame = frame;
  made.styleMask = 3;  // titled, closable
  made.visible = true;
  made.key = true;
  ViewRecord content;
  content.kind = "view";
  content.frame = {0, 0, frame.width, frame.height - 28};
  content.subviews = std::move(views);
  made.contentView = std::move(content);
  return made;
}

ScreenHit hit(const ScreenScene& scene, Point point) {
  return ScreenHit::at(scene, ScreenLayout::of(scene), point);
}

// An 800 by 600 point screen. "Back" of org.test.back spans x 100..400, y 200..400 from the top
// left; "Front" of the active org.test.front spans x 250..550, y 250..450, its content from y 278
// down. A view of Front at (x, y, w, h) in its content lies at 250 + x, 450 - y - h.
ScreenScene overlappingWindows() {
  ScreenScene scene;
  scene.screen = {"Main", 1, {0, 0, 800, 600}, 1};
  scene.frontmostApplication = "org.test.front";
  ViewRecord field = control("field", "shortcutCaptureView", {10, 120, 200, 30});
  ViewRecord inner = control("", "label", {5, 5, 100, 20});
  inner.label =
      LabelRecord{"Control + B", Font::system(13), Color::named("labelColor"), "left", {}};
  field.subviews.push_back(std::move(inner));
  ViewRecord popUp = control("language", "popUpButton", {10, 60, 120, 24});
  popUp.popUp = PopUpRecord{{"English", "Deutsch"}, 0};
  scene.contents.windows = {
      {"org.test.back", window("Back", {100, 200, 300, 200}, {titled("Behind", {10, 10, 80, 24})})},
      {"org.test.front",
       window("Front", {250, 150, 300, 200},
              {titled("OK", {10, 10, 80, 24}), control("off", "button", {100, 10, 80, 24}, false),
               titled("OK", {190, 10, 80, 24}), std::move(field), std::move(popUp)})},
  };
  return scene;
}

TEST(ScreenHitTest, TheTopmostThingAtAPointTakesTheClick) {
  const ScreenScene scene = overlappingWindows();
  struct Case {
    Point point;
    Kind kind;
    std::string application;
    std::string target;
  };
  for (const auto& [point, kind, application, target] : std::vector<Case>{
           // "OK" spans x 260..340, y 416..440: its top left edge is in, its far edges are out.
           {{300, 428}, Kind::control, "org.test.front", "OK"},
           {{260, 416}, Kind::control, "org.test.front", "OK"},
           {{340, 428}, Kind::nothing, "", ""},
           {{300, 440}, Kind::nothing, "", ""},
           // Where the windows overlap the front one is hit; Back is reached where it shows.
           {{300, 290}, Kind::nothing, "", ""},
           {{150, 300}, Kind::window, "org.test.back", ""},
           {{0, 100}, Kind::nothing, "", ""},
           // The close button is a circle of radius 6 round (264, 264).
           {{264, 264}, Kind::closeButton, "org.test.front", "Front"},
           {{268, 268}, Kind::closeButton, "org.test.front", "Front"},
           {{270, 270}, Kind::nothing, "", ""},
           // A disabled control and a second "OK" its title would not reach take nothing.
           {{390, 428}, Kind::nothing, "", ""},
           {{480, 428}, Kind::nothing, "", ""},
           // The field's label is part of the field; a pop-up opens.
           {{270, 310}, Kind::control, "org.test.front", "field"},
           {{300, 370}, Kind::popUp, "org.test.front", "language"},
       }) {
    const ScreenHit found = hit(scene, point);
    EXPECT_EQ(found.kind, kind) << point.x << "," << point.y;
    EXPECT_EQ(found.application, application) << point.x << "," << point.y;
    EXPECT_EQ(found.target, target) << point.x << "," << point.y;
  }
}

TEST(ScreenHitTest, AnOpenMenuAndAnAlertAreOverTheWindows) {
  ScreenScene scene = overlappingWindows();
  StatusItemRecord item;
  item.title = "Menu";
  item.length = 40;
  MenuItemRecord settings;
  settings.title = "Settings…";
  MenuItemRecord separator;
  separator.separator = true;
  MenuItemRecord update;
  update.title = "Update";
  update.enabled = false;
  item.menu = {settings, separator, update};
  scene.contents.statusItems.push_back({"org.test.back", item});
  // The status item spans x 748..788 of the menu bar; its menu, 180 wide, hangs from y 26 with
  // rows from y 31: Settings… 31..53, the separator 53..64, Update 64..86.
  EXPECT_EQ(hit(scene, {760, 10}).kind, Kind::statusItem);
  EXPECT_EQ(hit(scene, {700, 10}).kind, Kind::nothing);
  scene.openMenu = OpenMenu{"org.test.back", std::nullopt};
  EXPECT_EQ(ScreenLayout::of(scene).menu.value_or(PlacedMenu{}).rect.y, 26);
  const ScreenHit chosen = hit(scene, {700, 40});
  EXPECT_EQ(chosen.kind, Kind::menuItem);
  EXPECT_EQ(chosen.target, "Settings…");
  for (const Point elsewhere : {Point{700, 58}, Point{700, 70}, Point{300, 428}, Point{760, 10}}) {
    EXPECT_EQ(hit(scene, elsewhere).kind, Kind::closeMenu) << elsewhere.x << "," << elsewhere.y;
  }

  // An alert of the front program: its buttons take clicks, its windows nothing, another
  // program's window still comes forward.
  scene.openMenu.reset();
  AlertRecord alert;
  alert.messageText = "Sure?";
  alert.buttons = {"Remove", "Cancel"};
  alert.size = {300, 140};
  scene.contents.alerts.push_back({"org.test.front", alert});
  const ScreenLayout withAlert = ScreenLayout::of(scene);
  const PlacedAlert& placed = withAlert.alerts.front();
  const Rect& cancel = placed.buttons[1];
  const ScreenHit button = hit(scene, {cancel.x + 1, cancel.y + 1});
  EXPECT_EQ(button.kind, Kind::control);
  EXPECT_EQ(button.target, "Cancel");
  EXPECT_EQ(hit(scene, {placed.rect.x + 5, placed.rect.y + 5}).kind, Kind::nothing);
  EXPECT_EQ(hit(scene, {300, 428}).kind, Kind::nothing);
  EXPECT_EQ(hit(scene, {150, 300}).kind, Kind::window);
}

// Real programs on the in-process desktop, reached where the layout places what they show.
class ClicksOnTheScreenTest : public testing::Test {
 protected:
  ClicksOnTheScreenTest() {
    ok->setFrame({10, 10, 80, 24});
    ok->setAction([this](Control& /*sender*/) { ++pressed; });
    popUp->setIdentifier("language");
    popUp->addItems({"English", "Deutsch"});
    window.contentView()->addSubview(ok);
    window.contentView()->addSubview(popUp);
    auto menu = std::make_shared<Menu>();
    menu->addItem(
        "Settings…", [this] { ++settings; }, ",");
    statusItem.setMenu(menu);
    statusItem.button()->setTitle("Menu");
    window.makeKeyAndOrderFront();
    program.application.activate();
    loop.runUntilIdle();
  }

  // The centre of what the layout places under that name.
  Point centreOf(const std::string& name) {
    const Rect rect = ScreenLayout::of(desktop.scene()).locate(name).value_or(Rect{});
    return {rect.x + (rect.width / 2), rect.y + (rect.height / 2)};
  }

  Point clickAndSettle(Point point) {
    EXPECT_TRUE(desktop.clickAt(point)) << point.x << "," << point.y;
    loop.runUntilIdle();
    return point;
  }

  EmulatedDesktop desktop;
  PollEventLoop loop;
  testsupport::DesktopProgram program{desktop, loop, 4501, "org.test.program"};
  Window window{Rect{0, 0, 300, 200}, windowStyle::titled | windowStyle::closable,
                BackingStore::buffered, false, program.application};
  std::shared_ptr<Button> ok = Button::pushButton("OK");
  std::shared_ptr<PopUpButton> popUp = std::make_shared<PopUpButton>(Rect{10, 60, 140, 26});
  StatusItem statusItem{program.application, StatusItem::variableLength};
  int pressed = 0;
  int settings = 0;
};

TEST_F(ClicksOnTheScreenTest, ClicksAndKeysReachWhatTheScreenShowsThere) {
  // A pop-up opens its entries where the picture draws them; a click on one chooses it.
  clickAndSettle(centreOf("language"));
  ASSERT_EQ(desktop.openMenu(), (OpenMenu{"org.test.program", "language"}));
  clickAndSettle(centreOf("Deutsch"));
  EXPECT_EQ(popUp->titleOfSelectedItem(), "Deutsch");
  EXPECT_FALSE(desktop.openMenu().has_value());

  // The status item's menu: Escape closes it, a click on its entry chooses it.
  const Point item = centreOf("org.test.program");
  clickAndSettle(item);
  EXPECT_TRUE(desktop.openMenu().has_value());
  EXPECT_TRUE(desktop.type("escape"));
  EXPECT_FALSE(desktop.openMenu().has_value());
  clickAndSettle(item);
  clickAndSettle(centreOf("Settings…"));
  EXPECT_EQ(settings, 1);

  // A click on the button and Return, which presses the key window's default button.
  clickAndSettle(centreOf("OK"));
  ok->setKeyEquivalent("\r");
  EXPECT_TRUE(desktop.type("return"));
  loop.runUntilIdle();
  EXPECT_EQ(pressed, 2);

  // While an alert is up, the window behind it takes nothing and Return answers the alert with its
  // first button.
  Alert alert(program.application);
  alert.setMessageText("Sure?");
  alert.addButton("Remove");
  alert.addButton("Cancel");
  desktop.whenAlertAppears([&](EmulatedDesktop& user) {
    EXPECT_FALSE(user.clickAt(centreOf("OK")));
    EXPECT_TRUE(user.type("return"));
  });
  EXPECT_EQ(alert.runModal(), Alert::firstButtonReturn);
  EXPECT_EQ(pressed, 2);

  // The close button closes the window; then nothing is there.
  const PlacedWindow placed = ScreenLayout::of(desktop.scene()).windows.back();
  clickAndSettle(placed.closeButton);
  EXPECT_TRUE(desktop.scene().contents.windows.empty());
  EXPECT_FALSE(desktop.clickAt(placed.closeButton));
}

}  // namespace
