#include "support/DialogScript.h"

#include <gtest/gtest.h>

namespace testsupport {

std::shared_ptr<std::vector<std::string>> answerDialogs(platform::EmulatedDesktop& desktop,
                                                        const std::vector<std::string>& answers) {
  auto dialogs = std::make_shared<std::vector<std::string>>();
  for (const std::string& answer : answers) {
    desktop.whenAlertAppears([dialogs, answer](platform::EmulatedDesktop& user) {
      const platform::ScreenContents screen = user.describeScreen();
      const platform::AlertRecord& alert = screen.alerts.back().element;
      dialogs->push_back(alert.style + " " + alert.messageText + ": " + alert.informativeText);
      EXPECT_TRUE(answer == "Escape" ? user.dismissAlert() : user.click(answer)) << answer;
    });
  }
  return dialogs;
}

}  // namespace testsupport
