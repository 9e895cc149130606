#include "platform/EmulatedDesktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/Button.h"
#include "platform/EventLoop.h"
#include "platform/Label.h"
#include "platform/Menu.h"
#include "platform/PopUpButton.h"
#include "platform/Sound.h"
#include "platform/StatusItem.h"
#include "platform/Window.h"
#include "platform/Workspace.h"
#include "support/DesktopProgram.h"

namespace {

using namespace platform;

class EmulatedDesktopTest : public ::testing::Test {
 protected:
  EmulatedDesktop desktop;
  EventLoop loop;
};

// A view that takes the keyboard focus on a click and records the keys it receives.
class FocusRecorder : public View {
 public:
  using View::View;
  bool acceptsFirstResponder() const override { return true; }
  void mouseDown() override {
    if (host() != nullptr) {
      host()->makeFirstResponder(this);
    }
  }
  void keyDown(const KeyEvent& event) override { keys.push_back(event); }
  std::vector<KeyEvent> keys;
};

class EmulatedDesktopInputTest : public EmulatedDesktopTest {
 protected:
  void SetUp() override {
    window =
        std::make_unique<Window>(Rect{0, 0, 300, 160}, windowStyle::titled | windowStyle::closable,
                                 BackingStore::buffered, false, settings.application);
    window->setTitle("Ferrolin Settings");
    auto content = std::make_shared<View>(Rect{0, 0, 300, 160});
    title = Label::labelWithString("Launcher Settings");
    title->setIdentifier("titleLabel");
    title->setFrame({20, 120, 200, 20});
    apply = Button::pushButton("Apply");
    apply->setIdentifier("applyButton");
    apply->setFrame({200, 16, 80, 32});
    apply->setKeyEquivalent("\r");
    apply->setAction([this](Control& /*sender*/) { ++applied; });
    language = std::make_shared<PopUpButton>(Rect{20, 60, 160, 28});
    language->setIdentifier("languagePopup");
    language->addItems({"English", "Français"});
    language->setAction([this](Control& /*sender*/) { ++languageChanges; });
    capture = std::make_shared<FocusRecorder>(Rect{20, 90, 200, 24});
    capture->setIdentifier("shortcutCapture");
    for (const std::shared_ptr<View>& view :
         std::vector<std::shared_ptr<View>>{title, capture, language, apply}) {
      content->addSubview(view);
    }
    window->setContentView(content);
    window->makeKeyAndOrderFront();
    settings.application.activate();
    loop.runUntilIdle();
  }

  testsupport::DesktopProgram settings{desktop, loop, 3001, "com.quorrel.launcher",
                                       ActivationPolicy::accessory};
  std::unique_ptr<Window> window;
  std::shared_ptr<Label> title;
  std::shared_ptr<Button> apply;
  std::shared_ptr<PopUpButton> language;
  std::shared_ptr<FocusRecorder> capture;
  int applied = 0;
  int languageChanges = 0;
};

TEST_F(EmulatedDesktopInputTest, TheScreenReadsAsTextAndTheStatusMenuRunsItsEnabledItems) {
  std::vector<std::string> chosen;
  auto item = StatusBar::system(settings.application).statusItem(StatusItem::variableLength);
  auto menu = std::make_shared<Menu>();
  auto heading = std::make_shared<MenuItem>("Ferrolin Launcher");
  heading->setEnabled(false);
  menu->addItem(heading);
  menu->addItem(MenuItem::separator());
  menu->addItem(
      "Settings", [&] { chosen.emplace_back("Settings"); }, ",");
  item->setMenu(menu);
  item->button()->setToolTip("Ferrolin Launcher");
  capture->setHidden(true);
  loop.runUntilIdle();
  EXPECT_EQ(desktop.renderText(),
            "Status items:\n"
            "  com.quorrel.launcher: image , title \"\", tool tip \"Ferrolin Launcher\"\n"
            "    Ferrolin Launcher  (disabled)\n"
            "    ---\n"
            "    Settings  command+,\n"
            "Windows:\n"
            "  \"Ferrolin Settings\" of com.quorrel.launcher (key) [0,0,300,188]\n"
            "    view [0,0,300,160]\n"
            "      label titleLabel \"Launcher Settings\" [20,120,200,20]\n"
            "      view shortcutCapture (hidden) [20,90,200,24]\n"
            "      popUpButton languagePopup {English* | Français} [20,60,160,28]\n"
            "      button applyButton \"Apply\" [200,16,80,32]\n"
            "Alerts:\n"
            "Notifications:\n");

  EXPECT_TRUE(desktop.chooseMenuItem("Settings"));
  EXPECT_FALSE(desktop.chooseMenuItem("Ferrolin Launcher"));
  EXPECT_FALSE(desktop.chooseMenuItem("Quit Launcher"));
  EXPECT_FALSE(desktop.chooseMenuItem("Settings", "org.example.other"));
  loop.runUntilIdle();
  EXPECT_EQ(chosen, std::vector<std::string>{"Settings"});
}

TEST_F(EmulatedDesktopInputTest, ClicksKeysAndChoicesReachTheKeyWindow) {
  EXPECT_TRUE(desktop.click("Apply"));
  EXPECT_TRUE(desktop.click("applyButton"));
  EXPECT_FALSE(desktop.click("Cancel"));
  loop.runUntilIdle();
  EXPECT_EQ(applied, 2);

  EXPECT_TRUE(desktop.select("Français"));
  EXPECT_FALSE(desktop.select("Deutsch"));
  loop.runUntilIdle();
  EXPECT_EQ(language->titleOfSelectedItem(), "Français");
  EXPECT_EQ(languageChanges, 1);

  EXPECT_TRUE(desktop.click("shortcutCapture"));
  EXPECT_TRUE(desktop.key("command+option+b"));
  EXPECT_TRUE(desktop.key("return"));
  loop.runUntilIdle();
  ASSERT_EQ(capture->keys.size(), 1U);
  EXPECT_EQ(capture->keys[0].keyCode, 11);
  EXPECT_EQ(capture->keys[0].modifierFlags, modifierFlag::command | modifierFlag::option);
  EXPECT_EQ(applied, 3) << "Return presses the default button";

  window->orderOut();
  loop.runUntilIdle();
  EXPECT_FALSE(desktop.click("Apply")) << "a window off screen takes no clicks";
}

TEST_F(EmulatedDesktopInputTest, AModalAlertTakesTheInputUntilAScriptOrEscapeAnswersIt) {
  Alert alert(settings.application);
  alert.setMessageText("Install Ferrolin");
  alert.addButton("Install and Start at Login");
  alert.addButton("Install Only");
  alert.addButton("Cancel");
  auto accessory = std::make_shared<PopUpButton>(Rect{0, 0, 160, 28});
  accessory->addItems({"English", "Deutsch"});
  accessory->setAction([&](Control& /*sender*/) { alert.setMessageText("Ferrolin installieren"); });
  alert.setAccessoryView(accessory);

  bool blockRan = false;
  loop.async([&] { blockRan = true; });
  std::string titleWhenAnswered;
  desktop.whenAlertAppears([&](EmulatedDesktop& screen) {
    EXPECT_FALSE(screen.click("Apply")) << "the window behind a modal alert takes no clicks";
    EXPECT_TRUE(screen.select("Deutsch"));
    // The answer comes from a timer, which only a modal run that keeps the loop going fires.
    loop.asyncAfter(std::chrono::milliseconds(5), std::make_shared<WorkItem>([&] {
                      titleWhenAnswered =
                          desktop.describeScreen()["alerts"][0].value("messageText", "");
                      EXPECT_TRUE(desktop.click("Install Only"));
                    }));
  });

  EXPECT_EQ(alert.runModal(), Alert::secondButtonReturn);
  EXPECT_TRUE(blockRan);
  EXPECT_EQ(titleWhenAnswered, "Ferrolin installieren");
  EXPECT_EQ(accessory->titleOfSelectedItem(), "Deutsch");
  loop.runUntilIdle();
  EXPECT_TRUE(desktop.describeScreen()["alerts"].empty());

  // Escape answers none of the buttons.
  desktop.whenAlertAppears([](EmulatedDesktop& screen) { EXPECT_TRUE(screen.dismissAlert()); });
  EXPECT_EQ(alert.runModal(), Alert::abortResponse);
  EXPECT_FALSE(desktop.dismissAlert()) << "no alert is left to dismiss";
}

// Records the delegate callbacks of a run.
class RecordingDelegate : public ApplicationDelegate {
 public:
  explicit RecordingDelegate(std::vector<std::string>& log) : log_(&log) {}
  void applicationDidFinishLaunching() override { log_->emplace_back("launched"); }
  void applicationWillTerminate() override { log_->emplace_back("will terminate"); }

 private:
  std::vector<std::string>* log_;
};

TEST_F(EmulatedDesktopTest, ARunLaunchesLoopsAndEndsWithTheDelegateTold) {
  std::vector<std::string> log;
  RecordingDelegate delegate(log);
  auto connection = desktop.connect(loop);
  Application application(
      *connection, loop,
      ApplicationIdentity{4001, "com.quorrel.uninstaller", std::nullopt, std::nullopt});
  application.setDelegate(&delegate);
  application.setOnTerminate([&] { log.emplace_back("terminated"); });
  loop.async([&] {
    log.emplace_back("looping");
    EXPECT_EQ(
        RunningApplication::runningApplications("com.quorrel.uninstaller", *connection).size(), 1U);
    playAlertSound(application);
    EXPECT_TRUE(Workspace(*connection).open("http://127.0.0.1:8123/download"));
    application.terminate();
  });

  application.run();
  EXPECT_EQ(log, (std::vector<std::string>{"launched", "looping", "will terminate", "terminated"}));
  EXPECT_TRUE(application.isTerminated());
  EXPECT_TRUE(
      RunningApplication::runningApplications("com.quorrel.uninstaller", *connection).empty());
  ASSERT_EQ(desktop.journal().size(), 2U);
  EXPECT_EQ(desktop.journal()[0].kind, JournalEntry::Kind::alertSound);
  EXPECT_EQ(desktop.journal()[0].pid, 4001);
  EXPECT_EQ(desktop.journal()[1].url, "http://127.0.0.1:8123/download");
}

}  // namespace
