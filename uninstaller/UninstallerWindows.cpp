// The uninstaller's dialogs: the first dialog and the data dialog with their illustrated panels.
// Main thread only.

#include "UninstallerApp.h"
#include "UninstallerTexts.h"
#include "platform/Alert.h"

namespace uninstaller {
namespace {

const suite::PanelStyle panelStyle{
    .pictureIdentifier = "panelPicture",
    .headlineIdentifier = "panelHeadline",
    .stepsIdentifier = "panelSteps",
    .hintIdentifier = "panelPlaceholder",
    .spacing = 10,
    .wrapsHeadlineAndHint = true,
};

}  // namespace

UninstallChoice UninstallerApp::askForUninstallChoice() {
  platform::Alert alert(*services_.application);
  alert.setAlertStyle(platform::AlertStyle::warning);
  alert.setMessageText("Remove Ferrolin");
  alert.setInformativeText(
      "This removes Ferrolin and its launcher from your account.\n"
      "You can keep Ferrolin’s own settings and data; the launcher’s settings are removed either "
      "way.");
  alert.addButton("Remove App and Keep Data");
  alert.addButton("Remove App and Data");
  alert.addButton("Cancel");
  alert.setAccessoryView(
      panel(uninstallerHeroImageName, "trash", "What Will Be Removed",
            {"Ferrolin launcher from ~/Applications", "App bundle from Application Support",
             "Startup launch agent configuration"})
          .view());
  const platform::ModalResponse response = alert.runModal();
  if (response == platform::Alert::firstButtonReturn) {
    return UninstallChoice::uninstall(false);
  }
  if (response == platform::Alert::secondButtonReturn) {
    showDataRemovalDetails();
    return UninstallChoice::uninstall(true);
  }
  return UninstallChoice::cancel();
}

void UninstallerApp::showDataRemovalDetails() {
  platform::Alert alert(*services_.application);
  alert.setAlertStyle(platform::AlertStyle::informational);
  alert.setMessageText("Data Removal Selected");
  alert.setInformativeText(
      "Ferrolin's local settings and caches will be deleted. If you install Ferrolin again later, "
      "it starts from a fresh setup.");
  alert.addButton("Continue");
  alert.setAccessoryView(
      panel(uninstallerDataImageName, "externaldrive.badge.minus", "Data Cleanup Scope",
            {"Preferences and cache files", "Saved application state and web data"})
          .view());
  // It informs; there is no way back from here.
  [[maybe_unused]] const platform::ModalResponse ignored = alert.runModal();
}

suite::IllustratedPanel UninstallerApp::panel(const std::string& imageName,
                                              const std::string& fallbackSymbol,
                                              const std::string& headline,
                                              const std::vector<std::string>& steps) const {
  return {panelStyle,
          {
              .imageName = imageName,
              .fallbackSymbol = fallbackSymbol,
              .headline = headline,
              .steps = steps,
              .missingPictureHint =
                  "Image placeholder: add " + imageName + " to uninstaller resources.",
              .height = 340,
              .pictureHeight = 220,
          },
          services_.bundle,
          *services_.screens};
}

}  // namespace uninstaller
