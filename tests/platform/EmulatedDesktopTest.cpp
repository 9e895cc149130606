#include "platform/EmulatedDesktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/CarbonEvents.h"
#include "platform/EventLoop.h"
#include "platform/GlobalQueue.h"
#include "platform/UserNotifications.h"
#include "platform/Workspace.h"

namespace {

using namespace platform;
using namespace std::chrono_literals;

// A program of the test process on the shared emulated desktop.
struct Program {
  Program(EmulatedDesktop& desktop, EventLoop& loop, pid_t pid,
          std::optional<std::string> bundleIdentifier, ActivationPolicy policy)
      : connection(desktop.connect(loop)),
        application(
            *connection, loop,
            ApplicationIdentity{pid, std::move(bundleIdentifier), std::nullopt, std::nullopt}) {
    application.setActivationPolicy(policy);
    application.finishLaunching();
  }

  std::unique_ptr<DesktopConnection> connection;
  Application application;
};

class EmulatedDesktopTest : public ::testing::Test {
 protected:
  std::unique_ptr<Program> launch(pid_t pid, std::string bundleIdentifier,
                                  ActivationPolicy policy = ActivationPolicy::regular) {
    return std::make_unique<Program>(desktop, loop, pid, std::move(bundleIdentifier), policy);
  }

  EmulatedDesktop desktop;
  EventLoop loop;
};

// Records every hot-key press a program's handler sees.
struct PressLog {
  std::vector<EventHotKeyID> presses;
  OSStatus lastStatus = noErr;
};

OSStatus recordPress(EventHandlerCallRef /*call*/, EventRef event, void* userData) {
  auto* log = static_cast<PressLog*>(userData);
  EventHotKeyID identifier;
  log->lastStatus = GetEventParameter(event, kEventParamDirectObject, typeEventHotKeyID, nullptr,
                                      sizeof identifier, nullptr, &identifier);
  if (log->lastStatus == noErr) {
    log->presses.push_back(identifier);
  }
  return log->lastStatus;
}

constexpr std::uint16_t keyB = 11;
const EventTypeSpec hotKeyPressed{kEventClassKeyboard, kEventHotKeyPressed};

TEST_F(EmulatedDesktopTest, AHotKeyBelongsToOneProgramUntilItLetsGo) {
  auto launcher = launch(2001, "com.quorrel.launcher", ActivationPolicy::accessory);
  auto rival = launch(2002, "org.example.rival");
  EventTarget launcherTarget(launcher->application);
  EventTarget rivalTarget(rival->application);
  PressLog launcherLog;
  PressLog rivalLog;
  ASSERT_EQ(
      InstallEventHandler(&launcherTarget, recordPress, 1, &hotKeyPressed, &launcherLog, nullptr),
      noErr);
  ASSERT_EQ(InstallEventHandler(&rivalTarget, recordPress, 1, &hotKeyPressed, &rivalLog, nullptr),
            noErr);

  EventHotKeyRef launcherKey = nullptr;
  ASSERT_EQ(RegisterEventHotKey(keyB, cmdKey | optionKey, {fourCharCode("QRLL"), 1},
                                &launcherTarget, 0, &launcherKey),
            noErr);
  EventHotKeyRef rivalKey = nullptr;
  EXPECT_EQ(RegisterEventHotKey(keyB, cmdKey | optionKey, {fourCharCode("RIVL"), 7}, &rivalTarget,
                                0, &rivalKey),
            eventHotKeyExistsErr);

  ASSERT_TRUE(desktop.press("command+option+b"));
  loop.runUntilIdle();
  ASSERT_EQ(launcherLog.presses.size(), 1U);
  EXPECT_EQ(launcherLog.presses[0].signature, fourCharCode("QRLL"));
  EXPECT_EQ(launcherLog.presses[0].id, 1U);
  EXPECT_TRUE(rivalLog.presses.empty());
  EXPECT_FALSE(desktop.press("command+shift+b")) << "nobody holds that combination";

  ASSERT_EQ(UnregisterEventHotKey(launcherKey), noErr);
  EXPECT_FALSE(desktop.press("command+option+b"));
  ASSERT_EQ(RegisterEventHotKey(keyB, cmdKey | optionKey, {fourCharCode("RIVL"), 7}, &rivalTarget,
                                0, &rivalKey),
            noErr);
  ASSERT_TRUE(desktop.press("option+command+b"));
  loop.runUntilIdle();
  ASSERT_EQ(rivalLog.presses.size(), 1U);
  EXPECT_EQ(rivalLog.presses[0].id, 7U);
  EXPECT_EQ(launcherLog.presses.size(), 1U);
}

TEST_F(EmulatedDesktopTest, AProgramThatEndsReleasesItsHotKeys) {
  auto launcher = launch(2001, "com.quorrel.launcher", ActivationPolicy::accessory);
  {
    EventTarget target(launcher->application);
    EventHotKeyRef key = nullptr;
    ASSERT_EQ(
        RegisterEventHotKey(keyB, cmdKey | optionKey, {fourCharCode("QRLL"), 1}, &target, 0, &key),
        noErr);
    ASSERT_EQ(desktop.hotKeys().size(), 1U);
    launcher->application.terminate();
  }
  EXPECT_TRUE(desktop.hotKeys().empty());
  EXPECT_FALSE(desktop.press("command+option+b"));
}

TEST_F(EmulatedDesktopTest, RunningApplicationsFollowHideUnhideActivateAndTerminate) {
  auto launcher = launch(2001, "com.quorrel.launcher", ActivationPolicy::accessory);
  auto target = launch(2002, "app.ferrolin.desktop");
  DesktopConnection& seenFrom = *launcher->connection;

  auto found = RunningApplication::runningApplications("app.ferrolin.desktop", seenFrom);
  ASSERT_EQ(found.size(), 1U);
  RunningApplication ferrolin = found.front();
  EXPECT_EQ(ferrolin.processIdentifier(), 2002);
  EXPECT_TRUE(ferrolin.isActive()) << "a regular application comes to the front when it launches";
  auto frontmostPid = [&] {
    const auto front = Workspace(seenFrom).frontmostApplication();
    return front ? front->processIdentifier() : -1;
  };
  EXPECT_EQ(frontmostPid(), 2002);

  EXPECT_TRUE(ferrolin.hide());
  EXPECT_TRUE(ferrolin.isHidden());
  EXPECT_FALSE(ferrolin.isActive());
  EXPECT_EQ(frontmostPid(), 1) << "the built-in application was active before";

  EXPECT_TRUE(ferrolin.unhide());
  EXPECT_FALSE(ferrolin.isHidden());
  EXPECT_TRUE(ferrolin.activate(ActivationOptions::activateIgnoringOtherApps));
  EXPECT_TRUE(ferrolin.isActive());

  desktop.focusNone();
  EXPECT_EQ(frontmostPid(), -1);
  ASSERT_TRUE(desktop.focus(EmulatedDesktop::otherApplicationIdentifier));
  EXPECT_EQ(frontmostPid(), 1);

  EXPECT_TRUE(ferrolin.terminate());
  EXPECT_FALSE(ferrolin.isTerminated()) << "the request is delivered, the program quits later";
  loop.runUntilIdle();
  EXPECT_TRUE(target->application.isTerminated());
  EXPECT_TRUE(ferrolin.isTerminated());
  EXPECT_TRUE(RunningApplication::runningApplications("app.ferrolin.desktop", seenFrom).empty());
  EXPECT_FALSE(ferrolin.terminate()) << "nobody is left to ask";
}

TEST_F(EmulatedDesktopTest, AForcedTerminateEndsAProgramAtOnce) {
  auto launcher = launch(2001, "com.quorrel.launcher", ActivationPolicy::accessory);
  auto target = launch(2002, "app.ferrolin.desktop");
  RunningApplication ferrolin(2002, *launcher->connection);

  EXPECT_TRUE(ferrolin.forceTerminate());
  EXPECT_TRUE(ferrolin.isTerminated());
  EXPECT_FALSE(RunningApplication(1, *launcher->connection).forceTerminate())
      << "the built-in application is not one of ours to end";
  EXPECT_FALSE(RunningApplication(1, *launcher->connection).isTerminated());
}

TEST_F(EmulatedDesktopTest, ANotificationWithTheSameIdentifierReplacesTheEarlierOne) {
  auto launcher = launch(2001, "com.quorrel.launcher", ActivationPolicy::accessory);
  GlobalQueue completions(1);
  UserNotificationCenter center(*launcher->connection, loop, completions);

  auto post = [&](const std::string& body) {
    std::optional<bool> granted;
    center.requestAuthorization(AuthorizationOptions::alert | AuthorizationOptions::sound,
                                [&](bool answer, const std::optional<Error>& /*error*/) {
                                  loop.async([&granted, answer] { granted = answer; });
                                });
    ASSERT_TRUE(loop.runUntil([&] { return granted.has_value(); }, 10s));
    if (*granted) {
      center.add({"ferrolin-update-available",
                  {"Ferrolin update available", body, NotificationSound::defaultSound}});
    }
    loop.runUntilIdle();
  };

  post("Update available: 1.4.0 (installed 1.3.2)");
  post("Update available: 1.5.0 (installed 1.3.2)");
  ASSERT_EQ(desktop.notifications().size(), 1U);
  EXPECT_EQ(desktop.notifications()[0],
            (NotificationRecord{"ferrolin-update-available", "Ferrolin update available",
                                "Update available: 1.5.0 (installed 1.3.2)", true}));
  EXPECT_EQ(std::ranges::count_if(desktop.journal(),
                                  [](const JournalEntry& entry) {
                                    return entry.kind == JournalEntry::Kind::notificationDelivered;
                                  }),
            2);

  desktop.setNotificationsAuthorized(false);
  post("Update available: 9.9.9 (installed 1.3.2)");
  EXPECT_EQ(desktop.notifications()[0].body, "Update available: 1.5.0 (installed 1.3.2)");
}

}  // namespace

#include "platform/Alert.h"
#include "platform/Button.h"
#include "platform/Label.h"
#include "platform/Menu.h"
#include "platform/PopUpButton.h"
#include "platform/Sound.h"
#include "platform/StatusItem.h"
#include "platform/Window.h"

namespace {

using namespace platform;

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
    settings = launch(3001, "com.quorrel.launcher", ActivationPolicy::accessory);
    window =
        std::make_unique<Window>(Rect{0, 0, 300, 160}, windowStyle::titled | windowStyle::closable,
                                 BackingStore::buffered, false, settings->application);
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
    settings->application.activate();
    loop.runUntilIdle();
  }

  std::unique_ptr<Program> settings;
  std::unique_ptr<Window> window;
  std::shared_ptr<Label> title;
  std::shared_ptr<Button> apply;
  std::shared_ptr<PopUpButton> language;
  std::shared_ptr<FocusRecorder> capture;
  int applied = 0;
  int languageChanges = 0;
};

TEST_F(EmulatedDesktopInputTest, TheScreenReadsAsText) {
  capture->setHidden(true);
  loop.runUntilIdle();
  EXPECT_EQ(desktop.renderText(),
            "Status items:\n"
            "Windows:\n"
            "  \"Ferrolin Settings\" of com.quorrel.launcher (key) [0,0,300,188]\n"
            "    view [0,0,300,160]\n"
            "      label titleLabel \"Launcher Settings\" [20,120,200,20]\n"
            "      view shortcutCapture (hidden) [20,90,200,24]\n"
            "      popUpButton languagePopup {English* | Français} [20,60,160,28]\n"
            "      button applyButton \"Apply\" [200,16,80,32]\n"
            "Alerts:\n"
            "Notifications:\n");
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

TEST_F(EmulatedDesktopInputTest, TheStatusMenuRunsItsEnabledItems) {
  std::vector<std::string> chosen;
  auto item = StatusBar::system(settings->application).statusItem(StatusItem::variableLength);
  auto menu = std::make_shared<Menu>();
  auto heading = std::make_shared<MenuItem>("Ferrolin Launcher");
  heading->setEnabled(false);
  menu->addItem(heading);
  menu->addItem(MenuItem::separator());
  menu->addItem(
      "Settings", [&] { chosen.emplace_back("Settings"); }, ",");
  item->setMenu(menu);
  loop.runUntilIdle();

  EXPECT_TRUE(desktop.chooseMenuItem("Settings"));
  EXPECT_FALSE(desktop.chooseMenuItem("Ferrolin Launcher"));
  EXPECT_FALSE(desktop.chooseMenuItem("Quit Launcher"));
  EXPECT_FALSE(desktop.chooseMenuItem("Settings", "org.example.other"));
  loop.runUntilIdle();
  EXPECT_EQ(chosen, std::vector<std::string>{"Settings"});
  EXPECT_NE(desktop.renderText().find("    Ferrolin Launcher  (disabled)\n    ---\n"
                                      "    Settings  command+,\n"),
            std::string::npos)
      << desktop.renderText();
}

TEST_F(EmulatedDesktopInputTest, AModalAlertIsAnsweredByAScriptThatFirstUsesItsAccessory) {
  Alert alert(settings->application);
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
}

TEST_F(EmulatedDesktopInputTest, EscapeAnswersNoneOfTheButtons) {
  Alert alert(settings->application);
  alert.setMessageText("Remove Ferrolin");
  alert.addButton("Remove App and Keep Data");
  alert.addButton("Cancel");
  desktop.whenAlertAppears([](EmulatedDesktop& screen) { EXPECT_TRUE(screen.dismissAlert()); });

  const auto response = alert.runModal();
  EXPECT_NE(response, Alert::firstButtonReturn);
  EXPECT_NE(response, Alert::secondButtonReturn);
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

TEST_F(EmulatedDesktopTest, ProgramsSeeTheScreensAndLanguagesTheDesktopIsGiven) {
  auto launcher = launch(2001, "com.quorrel.launcher", ActivationPolicy::accessory);
  EXPECT_EQ(launcher->connection->screens(),
            (std::vector<ScreenDescription>{{"Built-in Display", 1, {0, 0, 1512, 982}, 2.0}}));
  EXPECT_EQ(launcher->connection->preferredLanguages(), std::vector<std::string>{"en-US"});

  desktop.setScreens({{"Studio Display", 2, {0, 0, 2560, 1440}, 2.0},
                      {"Projector", std::nullopt, {2560, 0, 1920, 1080}, 1.0}});
  desktop.setPreferredLanguages({"de-DE", "en-US"});
  EXPECT_EQ(launcher->connection->screens().size(), 2U);
  EXPECT_FALSE(launcher->connection->screens()[1].displayNumber.has_value());
  EXPECT_EQ(launcher->connection->preferredLanguages().front(), "de-DE");
}

}  // namespace
