#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/Button.h"
#include "platform/EmulatedDesktop.h"
#include "platform/EventLoop.h"
#include "platform/Image.h"
#include "platform/Menu.h"
#include "platform/PopUpButton.h"
#include "platform/Sound.h"
#include "platform/StatusItem.h"

namespace {

using namespace platform;

TEST(ButtonTest, ACheckboxClickTogglesItsStateBeforeTheActionSeesIt) {
  auto checkbox = Button::checkbox("Start Ferrolin at login");
  std::vector<ControlState> seen;
  checkbox->setAction(
      [&seen](Control& sender) { seen.push_back(dynamic_cast<Button&>(sender).state()); });

  checkbox->performClick();
  checkbox->performClick();
  checkbox->setState(ControlState::mixed);
  checkbox->performClick();

  EXPECT_EQ(seen, (std::vector{ControlState::on, ControlState::off, ControlState::on}));
}

TEST(ButtonTest, ADisabledControlIgnoresClicksAndMouseDowns) {
  auto checkbox = Button::checkbox("Remember");
  int actions = 0;
  checkbox->setAction([&actions](Control& /*sender*/) { ++actions; });
  checkbox->setEnabled(false);

  checkbox->performClick();
  checkbox->mouseDown();

  EXPECT_EQ(checkbox->state(), ControlState::off);
  EXPECT_EQ(actions, 0);

  checkbox->setEnabled(true);
  checkbox->mouseDown();
  EXPECT_EQ(checkbox->state(), ControlState::on);
  EXPECT_EQ(actions, 1);
}

TEST(ButtonTest, APushButtonClickSendsTheActionAndKeepsItsState) {
  auto button = Button::pushButton("Apply");
  Control* sender = nullptr;
  button->setAction([&sender](Control& control) { sender = &control; });

  button->performClick();

  EXPECT_EQ(sender, button.get());
  EXPECT_EQ(button->state(), ControlState::off);
  EXPECT_EQ(button->bezelStyle(), BezelStyle::rounded);
}

TEST(ButtonTest, IntrinsicSizeFollowsTheTitleAndTheFont) {
  // "Apply" in the 13-point system font: A 0.66 + p 0.52 + p 0.52 + l 0.28 + y 0.52 = 2.5 em.
  auto push = Button::pushButton("Apply");
  EXPECT_EQ(push->intrinsicContentSize(), (Size{33 + 24, 24}));

  auto checkbox = Button::checkbox("Apply");
  EXPECT_EQ(checkbox->intrinsicContentSize(), (Size{18 + 33, 18}));

  push->setFont(Font::system(12));
  EXPECT_EQ(push->intrinsicContentSize(), (Size{30 + 24, 24}));

  auto longer = Button::pushButton("Vérifier maintenant");
  EXPECT_GT(longer->intrinsicContentSize().value_or(Size{}).width, 30 + 24);
}

TEST(PopUpButtonTest, TheFirstItemAddedIsSelected) {
  PopUpButton popUp;
  EXPECT_EQ(popUp.indexOfSelectedItem(), -1);
  EXPECT_EQ(popUp.titleOfSelectedItem(), std::nullopt);
  EXPECT_EQ(popUp.selectedItem(), nullptr);

  popUp.addItem("English");
  popUp.addItems({"Français", "Español", "Deutsch"});

  EXPECT_EQ(popUp.indexOfSelectedItem(), 0);
  EXPECT_EQ(popUp.titleOfSelectedItem(), "English");
  EXPECT_EQ(popUp.itemTitles(),
            (std::vector<std::string>{"English", "Français", "Español", "Deutsch"}));
}

TEST(PopUpButtonTest, SelectionByTitleAndIndex) {
  PopUpButton popUp;
  popUp.addItems({"English", "Français", "Español", "Deutsch"});

  popUp.selectItemWithTitle("Deutsch");
  EXPECT_EQ(popUp.indexOfSelectedItem(), 3);
  EXPECT_EQ(popUp.selectedItem(), popUp.lastItem());

  popUp.selectItem(1);
  EXPECT_EQ(popUp.titleOfSelectedItem(), "Français");

  popUp.selectItemWithTitle("Italiano");
  EXPECT_EQ(popUp.indexOfSelectedItem(), -1);

  popUp.selectItem(2);
  popUp.selectItem(-1);
  EXPECT_EQ(popUp.titleOfSelectedItem(), std::nullopt);

  popUp.selectItem(9);
  EXPECT_EQ(popUp.indexOfSelectedItem(), -1);
}

TEST(PopUpButtonTest, RemovingAllItemsClearsTheSelectionUntilItemsComeBack) {
  PopUpButton popUp;
  popUp.addItems({"Primary display", "Studio (1)"});
  popUp.selectItem(1);

  popUp.removeAllItems();
  EXPECT_EQ(popUp.numberOfItems(), 0);
  EXPECT_EQ(popUp.indexOfSelectedItem(), -1);
  EXPECT_EQ(popUp.itemAt(0), nullptr);

  popUp.addItems({"Primärer Bildschirm", "Studio (Bildschirm 1)"});
  EXPECT_EQ(popUp.titleOfSelectedItem(), "Primärer Bildschirm");
}

TEST(PopUpButtonTest, AnItemWithATitleAlreadyThereReplacesTheOldOne) {
  PopUpButton popUp;
  popUp.addItems({"Studio", "Office", "Studio"});

  EXPECT_EQ(popUp.itemTitles(), (std::vector<std::string>{"Office", "Studio"}));
  // The selected first item went away; the new first one is selected.
  EXPECT_EQ(popUp.titleOfSelectedItem(), "Office");
}

TEST(PopUpButtonTest, ItemsCarryRepresentedObjects) {
  PopUpButton popUp;
  for (const auto& [code, label] : std::vector<std::pair<std::string, std::string>>{
           {"en", "English"}, {"fr", "Français"}, {"de", "Deutsch"}}) {
    popUp.addItem(label);
    popUp.lastItem()->setRepresentedObject(code);
  }

  popUp.selectItemWithTitle("Français");

  EXPECT_EQ(popUp.selectedItem()->representedObject(), "fr");
  EXPECT_EQ(popUp.itemAt(2)->representedObject(), "de");
  EXPECT_EQ(popUp.indexOfItemWithTitle("Deutsch"), 2);
}

TEST(PopUpButtonTest, ChoosingAnEntrySelectsItAndSendsTheAction) {
  PopUpButton popUp;
  popUp.addItems({"English", "Español"});
  std::vector<int> selections;
  popUp.setAction([&selections](Control& sender) {
    selections.push_back(dynamic_cast<PopUpButton&>(sender).indexOfSelectedItem());
  });

  EXPECT_TRUE(popUp.chooseItem("Español"));
  EXPECT_FALSE(popUp.chooseItem("Italiano"));
  // A mouse-down only opens the list.
  popUp.mouseDown();
  popUp.setEnabled(false);
  EXPECT_FALSE(popUp.chooseItem("English"));

  EXPECT_EQ(selections, std::vector{1});
  EXPECT_EQ(popUp.titleOfSelectedItem(), "Español");
  const auto description = popUp.describe();
  EXPECT_EQ(description["kind"], "popUpButton");
  EXPECT_EQ(description["items"], (nlohmann::json{"English", "Español"}));
  EXPECT_EQ(description["selectedIndex"], 1);
}

TEST(MenuTest, ItemsKeepTheirOrderAndAreFoundByTitle) {
  Menu menu;
  int settings = 0;
  menu.addItem("Ferrolin Launcher", nullptr, "").setEnabled(false);
  menu.addItem(MenuItem::separator());
  menu.addItem(
      "Settings", [&settings] { ++settings; }, ",");
  menu.addItem(MenuItem::separator());
  menu.addItem(
      "Quit Launcher", [] {}, "q");

  ASSERT_EQ(menu.numberOfItems(), 5U);
  EXPECT_TRUE(menu.items()[1]->isSeparatorItem());
  EXPECT_EQ(menu.itemWithTitle("Settings"), menu.items()[2].get());
  EXPECT_EQ(menu.itemWithTitle("Nothing"), nullptr);

  const MenuItem& settingsItem = *menu.itemWithTitle("Settings");
  EXPECT_EQ(settingsItem.keyEquivalent(), ",");
  EXPECT_EQ(settingsItem.keyEquivalentModifierMask(), modifierFlag::command);

  EXPECT_TRUE(menu.chooseItem("Settings"));
  EXPECT_FALSE(menu.chooseItem("Ferrolin Launcher"));
  EXPECT_FALSE(menu.chooseItem("Nothing"));
  EXPECT_EQ(settings, 1);
}

TEST(MenuTest, DescriptionListsEntriesWithTheirKeys) {
  Menu menu;
  menu.addItem(
      "Toggle Ferrolin", [] {}, "");
  menu.addItem(MenuItem::separator());
  menu.addItem(
      "Quit Launcher", [] {}, "q");

  const auto description = menu.describe();

  ASSERT_EQ(description.size(), 3U);
  EXPECT_EQ(description[0]["title"], "Toggle Ferrolin");
  EXPECT_EQ(description[0]["modifiers"], nlohmann::json::array());
  EXPECT_EQ(description[1], (nlohmann::json{{"separator", true}}));
  EXPECT_EQ(description[2]["keyEquivalent"], "q");
  EXPECT_EQ(description[2]["modifiers"], (nlohmann::json{"command"}));
  EXPECT_EQ(description[2]["enabled"], true);
}

// A program of this test on the in-process emulated desktop.
class OnDesktopTest : public ::testing::Test {
 protected:
  EmulatedDesktop desktop;
  EventLoop loop;
  std::unique_ptr<DesktopConnection> connection = desktop.connect(loop);
  Application application{
      *connection, loop,
      ApplicationIdentity{4101, "com.quorrel.launcher", std::nullopt, std::nullopt}};
};

TEST_F(OnDesktopTest, AStatusItemIsInTheMenuBarWhileItLives) {
  auto item = StatusBar::system(application).statusItem(StatusItem::variableLength);
  StatusBarButton* button = item->button();
  ASSERT_NE(button, nullptr);
  auto image = Image::systemSymbol("bolt.circle.fill", "Ferrolin Launcher");
  image->setTemplate(true);
  button->setImage(image);
  button->setTitle(" ");
  button->setImagePosition(7);
  button->setToolTip("Ferrolin Launcher");
  int settings = 0;
  auto menu = std::make_shared<Menu>();
  menu->addItem(
      "Settings", [&settings] { ++settings; }, ",");
  item->setMenu(menu);
  loop.runUntilIdle();

  const auto shown = desktop.describeScreen()["statusItems"];
  ASSERT_EQ(shown.size(), 1U);
  EXPECT_EQ(shown[0]["application"], "com.quorrel.launcher");
  EXPECT_EQ(shown[0]["length"], -1);
  EXPECT_EQ(shown[0]["title"], " ");
  EXPECT_EQ(shown[0]["image"]["symbol"], "bolt.circle.fill");
  EXPECT_EQ(shown[0]["image"]["template"], true);
  EXPECT_EQ(shown[0]["imagePosition"], 7);
  EXPECT_EQ(shown[0]["toolTip"], "Ferrolin Launcher");
  EXPECT_EQ(shown[0]["menu"][0]["keyEquivalent"], ",");

  EXPECT_TRUE(desktop.chooseMenuItem("Settings"));
  loop.runUntilIdle();
  EXPECT_EQ(settings, 1);

  item.reset();
  loop.runUntilIdle();
  EXPECT_TRUE(desktop.describeScreen()["statusItems"].empty());
}

TEST_F(OnDesktopTest, AMenuActionMayReplaceTheMenuThatHoldsIt) {
  const auto item = StatusBar::system(application).statusItem(StatusItem::variableLength);
  int rebuilds = 0;
  std::function<std::shared_ptr<Menu>()> buildMenu = [&] {
    auto menu = std::make_shared<Menu>();
    menu->addItem(
        "Rebuild",
        [&] {
          ++rebuilds;
          item->setMenu(buildMenu());
        },
        "");
    return menu;
  };
  item->setMenu(buildMenu());

  // The menu only the status item holds is replaced while its item's action runs.
  EXPECT_TRUE(item->menu()->chooseItem("Rebuild"));
  EXPECT_TRUE(item->menu()->chooseItem("Rebuild"));

  EXPECT_EQ(rebuilds, 2);
}

TEST_F(OnDesktopTest, TheAlertSoundReachesTheDesktop) {
  playAlertSound(application);

  ASSERT_EQ(desktop.journal().size(), 1U);
  EXPECT_EQ(desktop.journal().front().kind, JournalEntry::Kind::alertSound);
}

}  // namespace
