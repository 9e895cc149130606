// What the installer and the uninstaller show the same way, on an in-process desktop: the
// illustrated panel with its picture or its symbol, and the two progress windows.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "model/EmulatedDesktop.h"
#include "platform/PollEventLoop.h"
#include "suite/IllustratedPanel.h"
#include "suite/ProgressWindow.h"
#include "support/DesktopProgram.h"
#include "support/TemporaryFolder.h"
#include "support/TestScripts.h"

namespace {

namespace fs = std::filesystem;

class SuiteDialogsTest : public testing::Test {
 protected:
  testsupport::TemporaryFolder folder;
  platform::EmulatedDesktop desktop;
  platform::PollEventLoop loop;
  testsupport::DesktopProgram program{desktop, loop, 7401, "com.quorrel.uninstaller"};
};

// The bundle's PNG, else a "png", "jpg" or "jpeg" file of that name (the first there decides,
// readable or not); without one, the fallback symbol and the line naming the missing picture.
TEST_F(SuiteDialogsTest, APanelShowsItsPictureOrItsSymbolAndTheMissingPicturesName) {
  const std::string jpeg = std::string(
      "\xFF\xD8\xFF\xC0\x00\x11\x08\x00\xDC\x02\x08\x03\x01\x22\x00\x02\x11\x01\x03"
      "\x11\x01\xFF\xD9",
      23);
  const std::vector<std::pair<std::vector<std::pair<std::string, std::string>>, bool>> cases = {
      {{{"uninstaller-hero.jpeg", jpeg}}, true},
      {{{"uninstaller-hero.jpg", "not a picture"}, {"uninstaller-hero.jpeg", jpeg}}, false},
      {{}, false},
  };
  const suite::PanelStyle style{
      "panelPicture", "panelHeadline", "panelSteps", "panelPlaceholder", 10, true};
  for (const auto& [pictures, found] : cases) {
    const fs::path bundle = folder / "FerrolinUninstaller.app";
    fs::remove_all(bundle);
    for (const auto& [name, contents] : pictures) {
      testsupport::writeFile(bundle / "Contents/Resources" / name, contents);
    }
    suite::IllustratedPanel panel(
        style,
        {"uninstaller-hero",
         "trash",
         "What Will Be Removed",
         {"One", "Two"},
         "No picture",
         340,
         220},
        platform::Bundle::forExecutable(bundle / "Contents/MacOS/FerrolinUninstaller"),
        *program.connection);
    const platform::ViewRecord record = panel.view()->describe();
    ASSERT_EQ(record.subviews.size(), 4U);
    const platform::ViewRecord& picture = record.subviews[0];
    EXPECT_EQ(picture.frame, (platform::Rect{0, 120, 520, 220}));
    EXPECT_EQ(picture.layer && picture.layer->contents.has_value(), found);
    EXPECT_EQ(picture.imageView && picture.imageView->image &&
                  picture.imageView->image->symbol == "trash",
              !found);
    EXPECT_EQ(record.subviews[2].label.value_or(platform::LabelRecord{}).text, "1. One\n2. Two");
    EXPECT_EQ(record.subviews[3].hidden, found);
    panel.setTexts("Was entfernt wird", {"Eins"}, "Kein Bild");
    EXPECT_EQ(panel.view()->describe().subviews[2].label.value_or(platform::LabelRecord{}).text,
              "1. Eins");
  }
}

// Both float above the other windows and wrap their message in two lines at most; the bar starts
// almost empty and never leaves its range. Each leaves the screen when it goes.
TEST_F(SuiteDialogsTest, TheProgressWindowsFloatAndTheBarNeverLeavesItsRange) {
  const std::string longMessage =
      "Removing Ferrolin, its launcher, the launch agent and every setting it ever stored, which "
      "takes a moment on a slow disk...";
  auto spinning = suite::ProgressWindow::withSpinner(program.application, longMessage);
  platform::WindowRecord window = spinning->window().describe();
  EXPECT_EQ(window.title, "Ferrolin");
  EXPECT_EQ(window.level, 3);
  EXPECT_TRUE(window.key);
  platform::ViewRecord content = window.contentView.value_or(platform::ViewRecord{});
  ASSERT_EQ(content.subviews.size(), 2U);
  EXPECT_EQ(content.subviews[0].progress.value_or(platform::ProgressRecord{}).style, "spinning");
  EXPECT_TRUE(content.subviews[0].progress.value_or(platform::ProgressRecord{}).animating);
  EXPECT_EQ(content.subviews[1].label.value_or(platform::LabelRecord{}).lines.size(), 2U);
  spinning.reset();
  EXPECT_TRUE(desktop.describeScreen().windows.empty());

  auto withBar = suite::ProgressWindow::withBar(program.application, "Installing Ferrolin...",
                                                "Please keep this window open.");
  const auto bar = [&] {
    content = withBar->window().describe().contentView.value_or(platform::ViewRecord{});
    return content.subviews.at(1).progress.value_or(platform::ProgressRecord{}).doubleValue;
  };
  EXPECT_DOUBLE_EQ(bar(), 0.02);
  withBar->update(1.5, "Finishing up...");
  EXPECT_DOUBLE_EQ(bar(), 1.0);
  withBar->update(-0.2, "Finishing up...");
  EXPECT_DOUBLE_EQ(bar(), 0.0);
}

}  // namespace
