#pragma once

#include <functional>
#include <memory>
#include <string>

#include "InstallerChoice.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/Label.h"
#include "platform/PopUpButton.h"
#include "platform/ScreensAndLanguages.h"
#include "suite/IllustratedPanel.h"

namespace installer {

// How the installer draws its illustrated panels.
const suite::PanelStyle& installerPanelStyle();

// The installer's first dialog: "Install and Start at Login", "Install Only" or "Cancel", or for an
// update "Update" or "Cancel", in the user's preferred language, with the "What You Get" panel and
// its language pop-up, which re-words the open dialog at once. Main thread only; it lives while it
// asks.
class InstallDialog {
 public:
  InstallDialog(platform::Application& application, platform::ScreensAndLanguages& screens,
                const platform::Bundle& bundle);
  InstallDialog(const InstallDialog&) = delete;
  InstallDialog& operator=(const InstallDialog&) = delete;
  InstallDialog(InstallDialog&&) = delete;
  InstallDialog& operator=(InstallDialog&&) = delete;
  ~InstallDialog() = default;

  // Asks, in update wording when `isInstalled`. An update keeps start at login as
  // `startAtLoginForUpdate` finds it once the user has answered.
  InstallerChoice ask(bool isInstalled, const std::function<bool()>& startAtLoginForUpdate);

 private:
  // The dialog's texts in that language, and the pop-up showing it.
  void applyLanguage(const std::string& languageCode);
  std::shared_ptr<platform::View> languageRow();

  platform::Application* application_;
  platform::ScreensAndLanguages* screens_;
  const platform::Bundle* bundle_;
  bool isInstalled_ = false;
  std::string language_ = "en";
  platform::Alert* alert_ = nullptr;  // while it asks
  std::unique_ptr<suite::IllustratedPanel> panel_;
  std::shared_ptr<platform::Label> languageLabel_;
  std::shared_ptr<platform::PopUpButton> languagePopup_;
};

}  // namespace installer
