#include "InstallDialog.h"

#include <cstddef>
#include <vector>

#include "InstallerCopy.h"
#include "InstallerNames.h"
#include "platform/Locale.h"
#include "platform/StackView.h"
#include "suite/Languages.h"

namespace installer {

const suite::PanelStyle& installerPanelStyle() {
  static const suite::PanelStyle style{
      .pictureIdentifier = "onboardingPicture",
      .headlineIdentifier = "onboardingHeadline",
      .stepsIdentifier = "onboardingSteps",
      .hintIdentifier = "onboardingImageHint",
      .spacing = 8,
      .wrapsHeadlineAndHint = false,
  };
  return style;
}

InstallDialog::InstallDialog(platform::Application& application,
                             platform::ScreensAndLanguages& screens, const platform::Bundle& bundle)
    : application_(&application), screens_(&screens), bundle_(&bundle) {}

InstallerChoice InstallDialog::ask(bool isInstalled,
                                   const std::function<bool()>& startAtLoginForUpdate) {
  isInstalled_ = isInstalled;
  language_ = defaultLanguageCode(platform::Locale::preferredLanguages(*screens_));
  platform::Alert alert(*application_);
  alert.setAlertStyle(platform::AlertStyle::informational);
  for (int button = 0; button < (isInstalled ? 2 : 3); ++button) {
    alert.addButton("");
  }
  alert_ = &alert;
  const InstallerCopy copy = installerCopy(language_, isInstalled);
  panel_ = std::make_unique<suite::IllustratedPanel>(
      installerPanelStyle(),
      suite::PanelContent{
          .imageName = installerHeroImageName,
          .fallbackSymbol = "sparkles.rectangle.stack",
          .headline = copy.onboardingHeadline,
          .steps = copy.onboardingSteps,
          .missingPictureHint = withImageName(copy.imagePlaceholderHint, installerHeroImageName),
          .height = 380,
          .pictureHeight = 190,
      },
      *bundle_, *screens_, std::vector{languageRow()});
  alert.setAccessoryView(panel_->view());
  applyLanguage(language_);
  const platform::ModalResponse response = alert.runModal();
  alert_ = nullptr;
  if (response == platform::Alert::firstButtonReturn) {
    return InstallerChoice::install(isInstalled ? startAtLoginForUpdate() : true, language_);
  }
  if (response == platform::Alert::secondButtonReturn && !isInstalled) {
    return InstallerChoice::install(false, language_);
  }
  return InstallerChoice::cancel();
}

std::shared_ptr<platform::View> InstallDialog::languageRow() {
  auto row = std::make_shared<platform::StackView>();
  row->setOrientation(platform::StackOrientation::horizontal);
  row->setSpacing(10);
  row->setAlignment(platform::StackAlignment::centerY);
  languageLabel_ =
      platform::Label::labelWithString(installerCopy(language_, isInstalled_).displayLanguageLabel);
  languageLabel_->setFont(platform::Font::system(12, platform::FontWeight::semibold));
  languageLabel_->setTextColor(platform::Color::named("labelColor"));
  languageLabel_->setIdentifier("onboardingLanguageLabel");
  languagePopup_ = std::make_shared<platform::PopUpButton>(platform::Rect{0, 0, 160, 28});
  languagePopup_->setIdentifier("languagePopup");
  for (const auto& [code, label] : suite::languages) {
    languagePopup_->addItem(std::string(label));
    languagePopup_->lastItem()->setRepresentedObject(std::string(code));
  }
  languagePopup_->setAction([this](platform::Control& sender) {
    const auto* popUp = dynamic_cast<const platform::PopUpButton*>(&sender);
    const int index = popUp != nullptr ? popUp->indexOfSelectedItem() : -1;
    applyLanguage(index >= 0 && static_cast<std::size_t>(index) < suite::languages.size()
                      ? std::string(suite::languages.at(static_cast<std::size_t>(index)).code)
                      : "en");
  });
  row->addArrangedSubview(languageLabel_);
  row->addArrangedSubview(languagePopup_);
  return row;
}

void InstallDialog::applyLanguage(const std::string& languageCode) {
  language_ = languageCode;
  const InstallerCopy copy = installerCopy(languageCode, isInstalled_);
  alert_->setMessageText(copy.title);
  alert_->setInformativeText(copy.body);
  const auto& buttons = alert_->buttons();
  buttons.at(0)->setTitle(copy.primaryButton);
  buttons.at(1)->setTitle(copy.secondaryButton);
  if (!isInstalled_ && buttons.size() > 2) {
    buttons[2]->setTitle(copy.tertiaryButton.value_or(""));
  }
  panel_->setTexts(copy.onboardingHeadline, copy.onboardingSteps,
                   withImageName(copy.imagePlaceholderHint, installerHeroImageName));
  languageLabel_->setText(copy.displayLanguageLabel);
  if (const auto chosen = suite::languageIndex(languageCode)) {
    languagePopup_->selectItem(static_cast<int>(*chosen));
  }
  alert_->layout();
}

}  // namespace installer
