// The uninstaller's dialogs and windows: the first dialog and the data dialog with their
// illustrated panels, the progress window and the result dialog. Main thread only.

#include <array>
#include <optional>
#include <utility>

#include "UninstallerApp.h"
#include "UninstallerTexts.h"
#include "platform/Alert.h"
#include "platform/ImageView.h"
#include "platform/Label.h"
#include "platform/ProgressIndicator.h"
#include "platform/Screen.h"
#include "platform/StackView.h"
#include "suite/Identity.h"

namespace uninstaller {
namespace {

constexpr double panelWidth = 520;
constexpr double pictureHeight = 220;

std::shared_ptr<platform::Label> label(std::string text, platform::Font font, platform::Color color,
                                       std::string identifier) {
  auto made = platform::Label::wrappingLabelWithString(std::move(text));
  made->setFont(font);
  made->setTextColor(std::move(color));
  made->setIdentifier(std::move(identifier));
  return made;
}

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
  alert.setAccessoryView(buildOnboardingAccessory(
      uninstallerHeroImageName, "trash", "What Will Be Removed",
      {"Ferrolin launcher from ~/Applications", "App bundle from Application Support",
       "Startup launch agent configuration"}));
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
  alert.setAccessoryView(buildOnboardingAccessory(
      uninstallerDataImageName, "externaldrive.badge.minus", "Data Cleanup Scope",
      {"Preferences and cache files", "Saved application state and web data"}));
  // It informs; there is no way back from here.
  [[maybe_unused]] const platform::ModalResponse ignored = alert.runModal();
}

std::shared_ptr<platform::View> UninstallerApp::buildOnboardingAccessory(
    const std::string& imageName, const std::string& fallbackSymbolName,
    const std::string& headline, const std::vector<std::string>& steps) {
  auto stack = std::make_shared<platform::StackView>(platform::Rect{0, 0, panelWidth, 340});
  stack->setOrientation(platform::StackOrientation::vertical);
  stack->setAlignment(platform::StackAlignment::leading);
  stack->setSpacing(10);
  stack->setTranslatesAutoresizingMaskIntoConstraints(false);

  auto picture =
      std::make_shared<platform::ImageView>(platform::Rect{0, 0, panelWidth, pictureHeight});
  picture->setIdentifier("panelPicture");
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
    picture->setImage(platform::Image::systemSymbol(fallbackSymbolName, std::nullopt));
    picture->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
  }

  std::string list;
  for (std::size_t index = 0; index < steps.size(); ++index) {
    list += (index == 0 ? "" : "\n") + std::to_string(index + 1) + ". " + steps[index];
  }
  auto listLabel = label(std::move(list), platform::Font::system(12),
                         platform::Color::named("secondaryLabelColor"), "panelSteps");
  listLabel->setMaximumNumberOfLines(0);
  auto placeholder = label("Image placeholder: add " + imageName + " to uninstaller resources.",
                           platform::Font::system(11), platform::Color::named("tertiaryLabelColor"),
                           "panelPlaceholder");
  placeholder->setHidden(image != nullptr);

  // The stack lays out as views are added, so the constraints come first.
  picture->activateWidthConstraint(panelWidth);
  picture->activateHeightConstraint(pictureHeight);
  stack->activateWidthConstraint(panelWidth);
  for (const std::shared_ptr<platform::View>& view : std::array<std::shared_ptr<platform::View>, 4>{
           picture,
           label(headline, platform::Font::system(13, platform::FontWeight::semibold),
                 platform::Color::named("labelColor"), "panelHeadline"),
           listLabel, placeholder}) {
    stack->addArrangedSubview(view);
  }
  return stack;
}

std::shared_ptr<platform::Image> UninstallerApp::bundledImage(const std::string& name) const {
  return platform::Image::bundled(name, services_.bundle);
}

void UninstallerApp::showProgress(const std::string& message) {
  platform::Application& application = *services_.application;
  auto window = std::make_unique<platform::Window>(
      platform::Rect{0, 0, 420, 180},
      platform::windowStyle::titled | platform::windowStyle::closable,
      platform::BackingStore::buffered, false, application);
  window->setTitle(std::string(suite::productName));
  window->setLevel(platform::windowLevel::floating);
  window->setReleasedWhenClosed(false);
  auto content = std::make_shared<platform::View>(platform::Rect{0, 0, 420, 180});
  content->setAutoresizingMask(platform::autoresizing::widthSizable |
                               platform::autoresizing::heightSizable);
  auto spinner = std::make_shared<platform::ProgressIndicator>(platform::Rect{28, 78, 24, 24});
  spinner->setIdentifier("progressIndicator");
  spinner->setStyle(platform::ProgressIndicatorStyle::spinning);
  spinner->setIndeterminate(true);
  spinner->setControlSize(platform::ControlSize::regular);
  spinner->startAnimation();
  auto text = std::make_shared<platform::Label>(platform::Rect{68, 74, 300, 32});
  text->setIdentifier("progressMessage");
  text->setText(message);
  text->setFont(platform::Font::system(14, platform::FontWeight::medium));
  text->setLineBreakMode(platform::LineBreakMode::wordWrapping);
  text->setMaximumNumberOfLines(2);
  content->addSubview(spinner);
  content->addSubview(text);
  window->setContentView(content);
  window->center();
  window->makeKeyAndOrderFront();
  application.activate();
  progressWindow_ = std::move(window);
}

void UninstallerApp::closeProgress() {
  if (progressWindow_) {
    progressWindow_->orderOut();
    progressWindow_.reset();
  }
}

void UninstallerApp::showResult(const UninstallOutcome& outcome) {
  platform::Alert alert(*services_.application);
  alert.setAlertStyle(outcome.success ? platform::AlertStyle::informational
                                      : platform::AlertStyle::critical);
  alert.setMessageText(outcome.title);
  alert.setInformativeText(outcome.message);
  alert.addButton("OK");
  [[maybe_unused]] const platform::ModalResponse ignored = alert.runModal();
  finished_ = true;
  services_.application->terminate();
}

}  // namespace uninstaller
