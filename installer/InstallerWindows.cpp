// The installer's dialogs and windows: the first dialog with its "What You Get" panel and language
// pop-up, the progress window, the quick-start guide. Main thread only.

#include <algorithm>
#include <utility>

#include "InstallerApp.h"
#include "InstallerNames.h"
#include "platform/ImageView.h"
#include "platform/Screen.h"
#include "platform/StackView.h"
#include "platform/VisualEffectView.h"
#include "suite/Identity.h"

namespace installer {
namespace {

constexpr double columnWidth = 520;

std::shared_ptr<platform::Label> label(std::string text, platform::Font font, const char* colorRole,
                                       bool wraps) {
  auto made = wraps ? platform::Label::wrappingLabelWithString(std::move(text))
                    : platform::Label::labelWithString(std::move(text));
  made->setFont(font);
  made->setTextColor(platform::Color::named(colorRole));
  return made;
}

}  // namespace

void InstallerApp::applyInstallAlertLanguage(const std::string& languageCode, bool isInstalled) {
  if (installAlert_ == nullptr) {
    return;
  }
  const InstallerCopy copy = installerCopy(languageCode, isInstalled);
  installAlert_->setMessageText(copy.title);
  installAlert_->setInformativeText(copy.body);
  const auto& buttons = installAlert_->buttons();
  buttons.at(0)->setTitle(copy.primaryButton);
  buttons.at(1)->setTitle(copy.secondaryButton);
  if (!isInstalled && buttons.size() > 2) {
    buttons[2]->setTitle(copy.tertiaryButton.value_or(""));
  }
  if (!installAlert_->accessoryView()) {
    installAlert_->setAccessoryView(buildOnboardingAccessory(
        installerHeroImageName, "sparkles.rectangle.stack", copy.onboardingHeadline,
        copy.onboardingSteps, copy.displayLanguageLabel, std::nullopt));
  }
  if (onboardingHeadlineLabel_) {
    onboardingHeadlineLabel_->setText(copy.onboardingHeadline);
  }
  if (onboardingStepsLabel_) {
    onboardingStepsLabel_->setText(numberedSteps(copy.onboardingSteps));
  }
  if (onboardingLanguageLabel_) {
    onboardingLanguageLabel_->setText(copy.displayLanguageLabel);
  }
  if (onboardingImageHintLabel_) {
    onboardingImageHintLabel_->setText(
        withImageName(copy.imagePlaceholderHint, installerHeroImageName));
  }
  if (languagePopup_) {
    for (int index = 0; index < languagePopup_->numberOfItems(); ++index) {
      if (languagePopup_->itemAt(index)->representedObject() == languageCode) {
        languagePopup_->selectItem(index);
        break;
      }
    }
  }
  installAlert_->layout();
}

void InstallerApp::languageDidChange(platform::PopUpButton& sender) {
  const int index = sender.indexOfSelectedItem();
  const auto& languages = supportedLanguages();
  currentLanguageCode_ = index >= 0 && static_cast<std::size_t>(index) < languages.size()
                             ? languages[static_cast<std::size_t>(index)].first
                             : "en";
  applyInstallAlertLanguage(currentLanguageCode_, installAlertIsInstalled_);
}

std::shared_ptr<platform::View> InstallerApp::buildOnboardingAccessory(
    const std::string& imageName, const std::string& fallbackSymbol, const std::string& headline,
    const std::vector<std::string>& steps, const std::optional<std::string>& languageLabelText,
    const std::optional<std::string>& tip) {
  const bool languageRow = languageLabelText.has_value();
  const double pictureHeight = languageRow ? 190 : 220;
  auto column = std::make_shared<platform::StackView>(
      platform::Rect{0, 0, columnWidth, languageRow ? 380.0 : 320.0});
  column->setOrientation(platform::StackOrientation::vertical);
  column->setAlignment(platform::StackAlignment::leading);
  column->setSpacing(8);
  column->setTranslatesAutoresizingMaskIntoConstraints(false);

  auto picture =
      std::make_shared<platform::ImageView>(platform::Rect{0, 0, columnWidth, pictureHeight});
  picture->setIdentifier("onboardingPicture");
  picture->setTranslatesAutoresizingMaskIntoConstraints(false);
  platform::Layer& layer = picture->layer();
  layer.cornerRadius = 10;
  layer.masksToBounds = true;
  layer.backgroundColor = platform::Color::named("windowBackgroundColor").withAlpha(0.6);
  const std::shared_ptr<platform::Image> image = bundledImage(imageName);
  if (image) {
    const std::optional<platform::Screen> screen = platform::Screen::main(*services_.screens);
    layer.contents = image;
    layer.contentsGravity = platform::ContentsGravity::resizeAspectFill;
    layer.contentsScale = screen ? screen->backingScaleFactor() : 2.0;
  } else {
    layer.contents = nullptr;
    picture->setImage(platform::Image::systemSymbol(fallbackSymbol, std::nullopt));
    picture->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
  }

  onboardingHeadlineLabel_ = label(
      headline, platform::Font::system(13, platform::FontWeight::semibold), "labelColor", false);
  onboardingHeadlineLabel_->setIdentifier("onboardingHeadline");
  onboardingStepsLabel_ =
      label(numberedSteps(steps), platform::Font::system(12), "secondaryLabelColor", true);
  onboardingStepsLabel_->setIdentifier("onboardingSteps");
  onboardingStepsLabel_->setMaximumNumberOfLines(0);
  onboardingImageHintLabel_ =
      label(withImageName(
                installerCopy(currentLanguageCode_, installAlertIsInstalled_).imagePlaceholderHint,
                imageName),
            platform::Font::system(11), "tertiaryLabelColor", false);
  onboardingImageHintLabel_->setIdentifier("onboardingImageHint");
  onboardingImageHintLabel_->setHidden(image != nullptr);

  picture->activateWidthConstraint(columnWidth);
  picture->activateHeightConstraint(pictureHeight);
  column->activateWidthConstraint(columnWidth);
  column->addArrangedSubview(picture);
  column->addArrangedSubview(onboardingHeadlineLabel_);
  column->addArrangedSubview(onboardingStepsLabel_);
  if (languageRow) {
    auto row = std::make_shared<platform::StackView>();
    row->setOrientation(platform::StackOrientation::horizontal);
    row->setSpacing(10);
    row->setAlignment(platform::StackAlignment::centerY);
    onboardingLanguageLabel_ =
        label(*languageLabelText, platform::Font::system(12, platform::FontWeight::semibold),
              "labelColor", false);
    onboardingLanguageLabel_->setIdentifier("onboardingLanguageLabel");
    languagePopup_ = std::make_shared<platform::PopUpButton>(platform::Rect{0, 0, 160, 28});
    languagePopup_->setIdentifier("languagePopup");
    for (const auto& [code, name] : supportedLanguages()) {
      languagePopup_->addItem(name);
      languagePopup_->lastItem()->setRepresentedObject(code);
    }
    const auto& languages = supportedLanguages();
    const auto current = std::ranges::find_if(
        languages, [&](const auto& language) { return language.first == currentLanguageCode_; });
    if (current != languages.end()) {
      languagePopup_->selectItem(static_cast<int>(current - languages.begin()));
    }
    std::weak_ptr<InstallerApp> weakSelf = weak_from_this();
    languagePopup_->setAction([weakSelf](platform::Control& sender) {
      auto* popUp = dynamic_cast<platform::PopUpButton*>(&sender);
      if (const auto self = weakSelf.lock(); self && popUp != nullptr) {
        self->languageDidChange(*popUp);
      }
    });
    row->addArrangedSubview(onboardingLanguageLabel_);
    row->addArrangedSubview(languagePopup_);
    column->addArrangedSubview(row);
  } else {
    languagePopup_.reset();
    onboardingLanguageLabel_.reset();
  }
  if (tip) {
    auto tipLabel = label(*tip, platform::Font::system(12, platform::FontWeight::medium),
                          "secondaryLabelColor", true);
    tipLabel->setIdentifier("onboardingTip");
    tipLabel->setMaximumNumberOfLines(0);
    column->addArrangedSubview(tipLabel);
  }
  column->addArrangedSubview(onboardingImageHintLabel_);
  // A column whose texts need more room than its frame grows to hold them, so that nothing is cut
  // off at the bottom of the dialog (the guide's tip).
  if (const platform::Size fitting = column->fittingSize();
      fitting.height > column->frame().height) {
    column->setFrame({0, 0, columnWidth, fitting.height});
  }
  return column;
}

std::shared_ptr<platform::Image> InstallerApp::bundledImage(const std::string& name) const {
  return platform::Image::bundled(name, services_.bundle);
}

void InstallerApp::showProgress(const std::string& message, const std::string& hint) {
  platform::Application& application = *services_.application;
  auto window = std::make_unique<platform::Window>(
      platform::Rect{0, 0, 460, 220},
      platform::windowStyle::titled | platform::windowStyle::closable,
      platform::BackingStore::buffered, false, application);
  window->setTitle(std::string(suite::productName));
  window->setLevel(platform::windowLevel::floating);
  window->setReleasedWhenClosed(false);
  auto background = std::make_shared<platform::VisualEffectView>(
      window->contentView() ? window->contentView()->bounds() : platform::Rect{});
  background->setAutoresizingMask(platform::autoresizing::widthSizable |
                                  platform::autoresizing::heightSizable);
  background->setMaterial(21);
  background->setBlendingMode(0);
  background->setState(1);
  platform::Layer& layer = background->layer();
  layer.cornerRadius = 12;
  layer.masksToBounds = true;

  progressLabel_ = std::make_shared<platform::Label>(platform::Rect{26, 132, 400, 28});
  progressLabel_->setIdentifier("progressMessage");
  progressLabel_->setText(message);
  progressLabel_->setFont(platform::Font::system(15, platform::FontWeight::semibold));
  progressLabel_->setLineBreakMode(platform::LineBreakMode::wordWrapping);
  progressLabel_->setMaximumNumberOfLines(2);
  progressBar_ = std::make_shared<platform::ProgressIndicator>(platform::Rect{26, 96, 400, 18});
  progressBar_->setIdentifier("progressBar");
  progressBar_->setStyle(platform::ProgressIndicatorStyle::bar);
  progressBar_->setIndeterminate(false);
  progressBar_->setMinValue(0);
  progressBar_->setMaxValue(1);
  progressBar_->setDoubleValue(0.02);
  progressBar_->setControlSize(platform::ControlSize::regular);
  auto hintLabel = std::make_shared<platform::Label>(platform::Rect{26, 64, 400, 18});
  hintLabel->setIdentifier("progressHint");
  hintLabel->setText(hint);
  hintLabel->setFont(platform::Font::system(12));
  hintLabel->setTextColor(platform::Color::named("secondaryLabelColor"));
  background->addSubview(progressLabel_);
  background->addSubview(progressBar_);
  background->addSubview(hintLabel);
  window->setContentView(background);
  window->center();
  window->makeKeyAndOrderFront();
  application.activate();
  progressWindow_ = std::move(window);
}

void InstallerApp::updateProgress(double value, const std::string& message) {
  if (progressBar_) {
    progressBar_->setDoubleValue(std::clamp(value, 0.0, 1.0));
  }
  if (progressLabel_) {
    progressLabel_->setText(message);
  }
}

void InstallerApp::closeProgress() {
  if (progressWindow_) {
    progressWindow_->orderOut();
  }
  progressWindow_.reset();
  progressLabel_.reset();
  progressBar_.reset();
}

void InstallerApp::showShortcutGuide(const InstallerCopy& copy) {
  platform::Alert guide(*services_.application);
  guide.setAlertStyle(platform::AlertStyle::informational);
  guide.setMessageText(copy.quickStartTitle);
  guide.setInformativeText(copy.quickStartBody);
  guide.addButton(copy.continueButton);
  guide.setAccessoryView(buildOnboardingAccessory(
      installerShortcutsImageName, "keyboard.badge.ellipsis", copy.quickStartHeadline,
      copy.quickStartSteps, std::nullopt, copy.quickStartTip));
  [[maybe_unused]] const platform::ModalResponse ignored = guide.runModal();
}

}  // namespace installer
