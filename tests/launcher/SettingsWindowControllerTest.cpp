#include "SettingsWindowController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "model/EmulatedDesktop.h"
#include "platform/KeyEvent.h"
#include "platform/VirtualClockEventLoop.h"
#include "support/DesktopProgram.h"

namespace {

using namespace std::chrono_literals;
using launcher::LauncherSettings;
using launcher::SettingsWindowController;
using launcher::UpdateChecker;
using launcher::VersionCheckResult;

// The window as the desktop renders it after the first show with English settings, one screen
// and no update.
constexpr std::string_view englishWindow = R"(Windows:
  "Ferrolin Launcher Settings" of com.quorrel.launcher (key) [440,196,560,508]
    visualEffectView [0,0,560,480]
      label titleLabel "Launcher Settings" [28,392,300,28]
      view shortcutSection [24,268,512,108]
        label shortcutLabel "Shortcut" [18,76,120,20]
        label shortcutStateLabel "Not registered: in use or reserved" (hidden) [140,76,356,20]
        shortcutCaptureView shortcutCapture [16,12,480,56]
          label "Command + Option + B" [14,22,330,22]
          label "Click then press your shortcut" [14,8,330,14]
      view preferencesSection [24,124,512,134]
        button startupCheckbox "Start Ferrolin at login" [off] [16,96,480,22]
        label languageLabel "Language" [16,72,98,20]
        popUpButton languagePopup {English* | Français | Español | Deutsch} [128,66,368,28]
        label coverMonitorLabel "Cover Monitor" [16,32,98,20]
        popUpButton coverMonitorPopup {Primary display* | Built-in Display (Display 1)} [128,26,368,28]
      view updateSection [24,62,512,50]
        label updateTitleLabel "Update" [16,15,49,20]
        label updateLabel "You are up to date." [77,16,299,18]
        button checkUpdatesButton "Check Now" [388,13,108,24]
        button openDownloadButton "Open Download Page" (hidden) [392,16,108,24]
      button applyButton "Apply" [438,20,98,32]
      label toastLabel "" (hidden) [28,28,398,18]
Alerts:
)";

const LauncherSettings stored{"command+option+b", false, "en", std::nullopt};

// The settings window on an in-process desktop whose main queue runs on a virtual clock, with
// recording callbacks.
class SettingsWindowControllerTest : public testing::Test {
 protected:
  SettingsWindowControllerTest() {
    EXPECT_TRUE(desktop.setScreens({{"Built-in Display", 1, {0, 0, 1440, 900}, 2.0}}));
  }

  void show(const LauncherSettings& settings,
            const std::optional<VersionCheckResult>& update = std::nullopt) {
    controller->show(settings, update);
    loop.runUntilIdle();
  }

  // The user's hands (click, select, key) succeed, then the loop settles.
  void done(bool handled) {
    ASSERT_TRUE(handled);
    loop.runUntilIdle();
  }

  // The window's part of the rendered screen.
  std::string windowOnScreen() const {
    const std::string screen = desktop.renderText();
    const std::size_t start = screen.find("Windows:\n");
    return screen.substr(start, screen.find("Notifications:\n") - start);
  }

  template <typename ViewKind>
  ViewKind& get(const std::string& identifier) const {
    platform::View* view = controller->window()->contentView()->findView(identifier);
    EXPECT_NE(view, nullptr) << identifier;
    return dynamic_cast<ViewKind&>(*view);
  }
  std::string text(const std::string& identifier) const {
    return get<platform::Label>(identifier).text();
  }
  platform::Rect frame(const std::string& identifier) const {
    return get<platform::View>(identifier).frame();
  }
  std::optional<std::string> selected(const std::string& popUp) const {
    return get<platform::PopUpButton>(popUp).titleOfSelectedItem();
  }

  // The toast line: its text, colour role, alpha and whether it is shown.
  using Toast = std::tuple<std::string, std::string, double, bool>;
  Toast toast() const {
    const auto& label = get<platform::Label>("toastLabel");
    return {label.text(), label.textColor().role, label.alphaValue(), !label.isHidden()};
  }
  bool toastShown() const { return std::get<3>(toast()); }

  platform::EmulatedDesktop desktop;
  platform::VirtualClockEventLoop loop;
  testsupport::DesktopProgram program{desktop, loop, 7101, "com.quorrel.launcher"};
  std::vector<LauncherSettings> saved;
  std::optional<std::string> saveAnswer;
  int downloads = 0;
  std::vector<UpdateChecker::Completion> checks;
  bool shortcutRegistered = true;
  std::shared_ptr<SettingsWindowController> controller = std::make_shared<SettingsWindowController>(
      [this](const LauncherSettings& settings) {
        saved.push_back(settings);
        return saveAnswer;
      },
      [this] { ++downloads; },
      [this](UpdateChecker::Completion completion) { checks.push_back(std::move(completion)); },
      [this] { return shortcutRegistered; }, program.application, *program.connection);
};

TEST_F(SettingsWindowControllerTest, FirstShowBuildsTheWindowAndASecondOneReusesAndRecentresIt) {
  show(stored);
  EXPECT_EQ(windowOnScreen(), englishWindow);
  const platform::Window* window = controller->window();
  EXPECT_EQ(desktop.frontmostApplication(), 7101);

  // Closing only orders the window out; the next show brings the same one back, centred on the
  // main screen as it is now.
  platform::DesktopEvent close;
  close.input.action = platform::UserInput::Action::close;
  close.input.window = "Ferrolin Launcher Settings";
  ASSERT_TRUE(program.application.handleEvent(close));
  loop.runUntilIdle();
  EXPECT_FALSE(window->isVisible());
  ASSERT_TRUE(desktop.setScreens({{"Studio Display", 2, {0, 0, 2560, 1440}, 2.0}}));
  show(stored);
  EXPECT_EQ(controller->window(), window);
  EXPECT_TRUE(window->isKeyWindow());
  EXPECT_EQ(window->frame(), (platform::Rect{1000, 466, 560, 508}));
}

TEST_F(SettingsWindowControllerTest, TheLanguageChoosesTheTextsAndWiderLabelsMoveThePopUps) {
  shortcutRegistered = false;
  show({"command+option+b", true, "de", std::nullopt});
  EXPECT_TRUE(windowOnScreen().find(
                  R"(shortcutStateLabel "Nicht registriert: belegt oder reserviert" [)") !=
              std::string::npos);
  EXPECT_EQ(controller->window()->title(), "Ferrolin-Launcher Einstellungen");
  EXPECT_EQ(text("updateLabel"), "Die App ist auf dem neuesten Stand.");
  EXPECT_EQ(get<platform::Button>("startupCheckbox").state(), platform::ControlState::on);
  EXPECT_EQ(get<launcher::ShortcutCaptureView>("shortcutCapture").hintText(),
            "Klicken und dann die Tastenkombination drücken");
  EXPECT_EQ(selected("languagePopup"), "Deutsch");
  EXPECT_EQ(selected("coverMonitorPopup"), "Primärer Bildschirm");

  // Unknown codes are English.
  shortcutRegistered = true;
  for (const char* code : {"xx", "FR", "de-DE", ""}) {
    show({"command+option+b", false, code, std::nullopt});
    EXPECT_EQ(windowOnScreen(), englishWindow) << code;
  }

  // French widens the labels; both pop-ups move right alike. Nothing is stored by the choice.
  done(desktop.select("Français"));
  EXPECT_EQ(controller->window()->title(), "Paramètres du lanceur Ferrolin");
  const platform::Rect label = frame("coverMonitorLabel");
  const platform::Rect display = frame("coverMonitorPopup");
  EXPECT_GT(label.width, 98);
  EXPECT_EQ(frame("languageLabel").width, label.width);
  EXPECT_EQ(display.x, 16 + label.width + 14);
  EXPECT_EQ(display.maxX(), 512 - 16);
  EXPECT_EQ(frame("languagePopup"), (platform::Rect{display.x, 66, display.width, 28}));
  EXPECT_TRUE(saved.empty());
}

TEST_F(SettingsWindowControllerTest, DisplaysAreOfferedByGeometryOrPositionWhileAttached) {
  ASSERT_TRUE(desktop.setScreens({
      {"Built-in Display", 1, {0, 0, 1512, 982}, 2.0},
      {"Studio Display", 2, {-1920.7, -0.5, 1920, 1080.9}, 2.0},
      {"Studio Display", std::nullopt, {1512, 0, 1920, 1080}, 2.0},
  }));
  show({"command+option+b", false, "en", "geom:-1920:0:1920:1080"});
  EXPECT_EQ(get<platform::PopUpButton>("coverMonitorPopup").itemTitles(),
            (std::vector<std::string>{"Primary display", "Built-in Display (Display 1)",
                                      "Studio Display (Display 2)", "Studio Display (Display 3)"}));
  EXPECT_EQ(selected("coverMonitorPopup"), "Studio Display (Display 2)");

  done(desktop.select("Deutsch"));
  EXPECT_EQ(selected("coverMonitorPopup"), "Studio Display (Bildschirm 2)");
  done(desktop.click("applyButton"));
  done(desktop.select("Studio Display (Bildschirm 3)"));
  done(desktop.click("applyButton"));
  ASSERT_EQ(saved.size(), 2U);
  EXPECT_EQ(saved[0],
            (LauncherSettings{"command+option+b", false, "de", "geom:-1920:0:1920:1080"}));
  EXPECT_EQ(saved[1].coverMonitor, "index:2");

  // A display no longer attached falls back to the primary entry.
  show({"command+option+b", false, "es", "geom:0:0:800:600"});
  EXPECT_EQ(selected("coverMonitorPopup"), "Monitor principal");
  done(desktop.key("return"));
  EXPECT_EQ(saved.back(), (LauncherSettings{"command+option+b", false, "es", "primary"}));
}

TEST_F(SettingsWindowControllerTest, ApplyHandsOnTheTrimmedStoredShortcutOrTheOneTheFieldCaptured) {
  show({"  command+option+b\n", true, "en", "primary"});
  done(desktop.click("applyButton"));
  EXPECT_EQ(saved.back(), (LauncherSettings{"command+option+b", true, "en", "primary"}));

  // A click focuses the shortcut field. Each key with a modifier becomes the shortcut, modifiers in
  // their fixed order; other keys are refused with the alert sound and the last capture stays.
  auto& capture = get<launcher::ShortcutCaptureView>("shortcutCapture");
  const auto border = [&] { return capture.layerIfAny().value().borderColor.value().role; };
  EXPECT_EQ(border(), "separatorColor");
  done(desktop.click("shortcutCapture"));
  EXPECT_EQ(border(), "controlAccentColor");
  for (const auto& [keys, shortcut] : std::vector<std::pair<std::string, std::string>>{
           {"b+command+option", "option+command+b"},
           {"command+shift+option+control+a", "control+option+shift+command+a"},
           {"shift+a", "shift+a"},
           {"command+escape", "command+escape"},
           {"capslock+fn+control+q", "control+q"}}) {
    done(desktop.key(keys));
    EXPECT_EQ(capture.shortcutValue(), shortcut) << keys;
  }
  for (const char* keys : {"b", "escape", "capslock+b", "fn+b", "command+f5", "command+left",
                           "command+tab", "command+keypad-enter"}) {
    done(desktop.key(keys));
    EXPECT_EQ(capture.shortcutValue(), "control+q") << keys;
  }
  EXPECT_NE(windowOnScreen().find(R"(label "Control + Q")"), std::string::npos);
  EXPECT_EQ(std::ranges::count(desktop.journal(), platform::JournalEntry::Kind::alertSound,
                               &platform::JournalEntry::kind),
            8);
  // A held key captures again at every repeat.
  capture.keyDown(
      {.keyCode = 36,
       .modifierFlags = platform::modifierFlag::command | platform::modifierFlag::option,
       .isRepeat = true});
  done(desktop.click("startupCheckbox"));
  done(desktop.click("applyButton"));
  EXPECT_EQ(saved.back(), (LauncherSettings{"option+command+return", false, "en", "primary"}));
  EXPECT_TRUE(capture.host()->makeFirstResponder(nullptr));
  EXPECT_EQ(border(), "separatorColor");

  // A failed Apply keeps what the user chose; showing the window again puts back what is stored.
  saveAnswer = "Shortcut could not be registered. It may be reserved or already in use.";
  done(desktop.click("applyButton"));
  EXPECT_EQ(saved.back().shortcut, "option+command+return");
  show(stored);
  done(desktop.click("applyButton"));
  EXPECT_EQ(saved.back().shortcut, "command+option+b");
}

// A toast shows for 2.2 seconds, longer when its message takes longer to read, and fades out in a
// quarter of a second; a newer message restarts the time, also while the previous one fades out.
TEST_F(SettingsWindowControllerTest, ToastsFadeOutAndTheLatestMessageStaysItsFullTime) {
  show(stored);
  done(desktop.click("applyButton"));
  EXPECT_EQ(toast(), (Toast{"Applied", "systemGreen", 1, true}));
  loop.advanceBy(2199ms);
  EXPECT_EQ(std::get<2>(toast()), 1);
  loop.advanceBy(1ms);
  EXPECT_EQ(toast(), (Toast{"Applied", "systemGreen", 0, true}));
  loop.advanceBy(250ms);
  EXPECT_FALSE(toastShown());

  saveAnswer = "Not saved.";
  for (const auto pause : {1000ms, 2300ms}) {
    done(desktop.click("applyButton"));
    loop.advanceBy(pause);
    done(desktop.click("applyButton"));
    loop.advanceBy(2199ms);
    EXPECT_EQ(toast(), (Toast{saveAnswer.value_or(""), "systemRed", 1, true}));
    loop.advanceBy(251ms);
    EXPECT_FALSE(toastShown());
  }

  // A long message shows whole over more lines, the window growing above them, for longer.
  saveAnswer =
      "“launcher-settings.json” couldn’t be saved because you don’t have permission to "
      "access it.";
  done(desktop.click("applyButton"));
  std::string whole;
  for (const std::string& line : get<platform::Label>("toastLabel").lines()) {
    whole += (whole.empty() ? "" : " ") + line;
  }
  EXPECT_EQ(whole, saveAnswer);
  const double grown = controller->window()->frame().height - 508;
  EXPECT_GT(grown, 0);
  EXPECT_EQ(frame("updateSection").y, 62 + grown);
  EXPECT_EQ(frame("toastLabel").maxY() + 16, frame("updateSection").y);
  loop.advanceBy(6s);
  EXPECT_EQ(std::get<2>(toast()), 1);
  loop.advanceBy(1s);
  EXPECT_FALSE(toastShown());
  EXPECT_EQ(controller->window()->frame().height, 508);
  EXPECT_EQ(frame("updateSection").y, 62);

  // Showing the window hides a toast at once, and an empty answer shows none.
  done(desktop.click("applyButton"));
  show(stored);
  EXPECT_FALSE(toastShown());
  saveAnswer = "";
  done(desktop.click("applyButton"));
  EXPECT_FALSE(toastShown());
}

TEST_F(SettingsWindowControllerTest,
       ManualCheckDisablesTheButtonUntilTheAnswerInTheCurrentLanguage) {
  show(stored);
  done(desktop.click("Check Now"));
  EXPECT_FALSE(get<platform::Button>("checkUpdatesButton").isEnabled());
  EXPECT_EQ(text("updateLabel"), "Checking for updates...");
  done(desktop.select("Français"));
  EXPECT_EQ(text("updateLabel"), "Vérification des mises à jour...");
  ASSERT_EQ(checks.size(), 1U);
  checks[0](std::nullopt);
  EXPECT_TRUE(get<platform::Button>("checkUpdatesButton").isEnabled());
  EXPECT_EQ(text("updateLabel"), "Vous êtes à jour.");
  EXPECT_TRUE(get<platform::Button>("openDownloadButton").isHidden());
  EXPECT_EQ(toast(), (Toast{"Aucune mise à jour disponible", "systemGreen", 1, true}));

  done(desktop.click("Vérifier"));
  ASSERT_EQ(checks.size(), 2U);
  checks[1](VersionCheckResult{"1.4.0", "1.3.2"});
  EXPECT_EQ(std::get<0>(toast()), "Mise à jour trouvée");
  // The message of a result is not translated.
  done(desktop.select("English"));
  EXPECT_EQ(text("updateLabel"), "Update available: 1.4.0 (installed 1.3.2)");

  // A check that cannot ask says so and leaves the update known in place.
  done(desktop.click("Check Now"));
  checks[2](std::unexpected(platform::Error{}));
  EXPECT_EQ(text("updateLabel"), "Update available: 1.4.0 (installed 1.3.2)");
  EXPECT_EQ(toast(), (Toast{"Could not check for updates", "systemRed", 1, true}));

  // Shown, the download button sits left of the Check button and the status line ends before it.
  const platform::Rect check = frame("checkUpdatesButton");
  const platform::Rect download = frame("openDownloadButton");
  EXPECT_FALSE(get<platform::Button>("openDownloadButton").isHidden());
  EXPECT_EQ(download.y, check.y);
  EXPECT_EQ(download.x + download.width + 8, check.x);
  EXPECT_EQ(frame("updateLabel").x + frame("updateLabel").width + 12, download.x);
  done(desktop.click("Open Download Page"));
  EXPECT_EQ(downloads, 1);
}

TEST_F(SettingsWindowControllerTest, AnswersAndTimersArrivingAfterTheControllerIsGoneDoNothing) {
  show(stored);
  done(desktop.click("Check Now"));
  done(desktop.click("applyButton"));
  controller.reset();
  loop.runUntilIdle();
  EXPECT_EQ(desktop.describeScreen().windows.size(), 0U);
  checks[0](VersionCheckResult{"2.0", "1.0.0"});
  loop.advanceBy(5s);
  EXPECT_EQ(saved.size(), 1U);
}

}  // namespace
