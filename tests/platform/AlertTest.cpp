#include "platform/Alert.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/Button.h"
#include "platform/EmulatedDesktop.h"
#include "platform/EventLoop.h"
#include "platform/PopUpButton.h"
#include "platform/View.h"
#include "platform/WorkItem.h"

namespace {

using namespace platform;
using namespace std::chrono_literals;

class AlertTest : public ::testing::Test {
 protected:
  // The uninstaller's first dialog.
  void addChoices(Alert& alert) {
    alert.setMessageText("Remove Ferrolin");
    alert.addButton("Remove App and Keep Data");
    alert.addButton("Remove App and Data");
    alert.addButton("Cancel");
  }

  EmulatedDesktop desktop;
  EventLoop loop;
  std::unique_ptr<DesktopConnection> connection = desktop.connect(loop);
  Application application{
      *connection, loop,
      ApplicationIdentity{4301, "com.quorrel.uninstaller", std::nullopt, std::nullopt}};
};

TEST_F(AlertTest, ButtonsAnswerInTheOrderAdded) {
  for (const auto& [title, expected] : std::vector<std::pair<std::string, ModalResponse>>{
           {"Remove App and Keep Data", Alert::firstButtonReturn},
           {"Remove App and Data", Alert::secondButtonReturn},
           {"Cancel", Alert::thirdButtonReturn}}) {
    Alert alert(application);
    addChoices(alert);
    loop.async([&alert, title] { EXPECT_TRUE(alert.clickButton(title)); });

    EXPECT_EQ(alert.runModal(), expected) << title;
  }
}

TEST_F(AlertTest, WhileRunningTheAlertIsTheApplicationsModalAlert) {
  Alert alert(application);
  addChoices(alert);
  Alert* shown = nullptr;
  loop.async([&] {
    shown = application.modalAlert();
    alert.clickButton("Cancel");
  });

  alert.runModal();

  EXPECT_EQ(shown, &alert);
  EXPECT_EQ(application.modalAlert(), nullptr);
  EXPECT_FALSE(alert.isRunning());
}

TEST_F(AlertTest, DismissingAnswersNoneOfTheButtons) {
  Alert alert(application);
  addChoices(alert);
  EXPECT_FALSE(alert.dismiss());
  // Answered by a timer, after the alert has waited through other work.
  int blocksRun = 0;
  loop.async([&blocksRun] { ++blocksRun; });
  loop.asyncAfter(20ms, std::make_shared<WorkItem>([&alert] { EXPECT_TRUE(alert.dismiss()); }));

  EXPECT_EQ(alert.runModal(), Alert::abortResponse);
  EXPECT_EQ(blocksRun, 1);
}

TEST_F(AlertTest, AClickBeforeTheAlertRunsIsNotItsAnswer) {
  Alert alert(application);
  addChoices(alert);
  alert.clickButton("Cancel");
  loop.async([&alert] { alert.clickButton("Remove App and Data"); });

  EXPECT_EQ(alert.runModal(), Alert::secondButtonReturn);
}

TEST_F(AlertTest, TerminatingTheApplicationEndsTheAlert) {
  Alert alert(application);
  addChoices(alert);
  loop.async([this] { application.terminate(); });

  EXPECT_EQ(alert.runModal(), Alert::abortResponse);
}

TEST_F(AlertTest, AnAlertWithoutButtonsGetsOk) {
  Alert alert(application);
  alert.setMessageText("Ferrolin uninstalled");
  loop.async([&alert] { alert.click("OK"); });

  EXPECT_EQ(alert.runModal(), Alert::firstButtonReturn);
  ASSERT_EQ(alert.buttons().size(), 1U);
  EXPECT_EQ(alert.buttons().front()->keyEquivalent(), "\r");
}

TEST_F(AlertTest, ClicksReachTheAccessoryViews) {
  Alert alert(application);
  addChoices(alert);
  auto accessory = std::make_shared<View>(Rect{0, 0, 520, 380});
  auto languagePopup = std::make_shared<PopUpButton>(Rect{0, 0, 160, 28});
  languagePopup->setIdentifier("languagePopup");
  languagePopup->addItems({"English", "Français"});
  auto remember = Button::checkbox("Remember");
  accessory->addSubview(languagePopup);
  accessory->addSubview(remember);
  alert.setAccessoryView(accessory);
  EXPECT_EQ(languagePopup->host(), &alert);

  std::optional<std::string> chosen;
  languagePopup->setAction([&chosen](Control& sender) {
    chosen = dynamic_cast<PopUpButton&>(sender).titleOfSelectedItem();
  });
  loop.async([&] {
    auto* popUp = dynamic_cast<PopUpButton*>(alert.accessoryView()->findView("languagePopup"));
    ASSERT_NE(popUp, nullptr);
    popUp->chooseItem("Français");
    EXPECT_TRUE(alert.click("Remember"));
    EXPECT_FALSE(alert.click("Nothing"));
    alert.clickButton("Remove App and Keep Data");
  });

  EXPECT_EQ(alert.runModal(), Alert::firstButtonReturn);
  EXPECT_EQ(chosen, "Français");
  EXPECT_EQ(remember->state(), ControlState::on);
}

TEST_F(AlertTest, TheDesktopAnswersAnAlertRunFromAQueuedBlock) {
  Alert alert(application);
  addChoices(alert);
  auto languagePopup = std::make_shared<PopUpButton>(Rect{0, 0, 160, 28});
  languagePopup->addItems({"English", "Français"});
  alert.setAccessoryView(languagePopup);
  std::optional<std::string> chosen;
  languagePopup->setAction([&chosen](Control& sender) {
    chosen = dynamic_cast<PopUpButton&>(sender).titleOfSelectedItem();
  });
  desktop.whenAlertAppears([](EmulatedDesktop& user) {
    const auto shown = user.describeScreen()["alerts"][0];
    EXPECT_EQ(shown["messageText"], "Remove Ferrolin");
    EXPECT_EQ(shown["style"], "warning");
    EXPECT_EQ(shown["buttons"],
              (nlohmann::json{"Remove App and Keep Data", "Remove App and Data", "Cancel"}));
    EXPECT_EQ(shown["accessory"]["kind"], "popUpButton");
    EXPECT_TRUE(user.select("Français"));
    EXPECT_TRUE(user.click("Remove App and Data"));
  });
  desktop.whenAlertAppears([](EmulatedDesktop& user) { EXPECT_TRUE(user.click("OK")); });
  // Should an answer never come, the alert is closed instead, so that the test fails, not hangs.
  const auto guard = std::make_shared<WorkItem>([this] {
    if (Alert* shown = application.modalAlert()) {
      shown->dismiss();
    }
  });
  loop.asyncAfter(10s, guard);
  std::vector<ModalResponse> responses;

  // The second alert follows the first at once, inside a block, as a result dialog after a choice.
  loop.async([&] {
    responses.push_back(alert.runModal());
    Alert result(application);
    result.setMessageText("Ferrolin uninstalled");
    responses.push_back(result.runModal());
  });

  loop.runUntil([&responses] { return responses.size() == 2; }, 20s);
  guard->cancel();
  EXPECT_EQ(responses, (std::vector{Alert::secondButtonReturn, Alert::firstButtonReturn}));
  EXPECT_EQ(chosen, "Français");
  loop.runUntilIdle();
  EXPECT_TRUE(desktop.describeScreen()["alerts"].empty());
}

TEST_F(AlertTest, TheSizeFollowsTheContentOnlyWhenLaidOut) {
  Alert alert(application);
  addChoices(alert);
  alert.layout();
  const Size plain = alert.size();
  EXPECT_GE(plain.width, 300);

  alert.setInformativeText(
      "This removes Ferrolin and its launcher from your account.\n"
      "You can keep your settings for a later reinstall.");
  alert.setAccessoryView(std::make_shared<View>(Rect{0, 0, 520, 340}));
  EXPECT_EQ(alert.size(), plain);

  alert.layout();

  EXPECT_EQ(alert.size().width, 520 + 40);
  EXPECT_GT(alert.size().height, plain.height + 340);
  EXPECT_EQ(alert.layoutCount(), 2);
}

}  // namespace
