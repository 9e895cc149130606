#include "suite/IllustratedPanel.h"

#include <cstddef>
#include <optional>
#include <utility>

#include "platform/Image.h"
#include "platform/ImageView.h"
#include "platform/Screen.h"

namespace suite {
namespace {

constexpr double panelWidth = 520;

std::shared_ptr<platform::Label> label(std::string text, bool wraps, platform::Font font,
                                       const char* colorRole, std::string identifier) {
  auto made = wraps ? platform::Label::wrappingLabelWithString(std::move(text))
                    : platform::Label::labelWithString(std::move(text));
  made->setFont(font);
  made->setTextColor(platform::Color::named(colorRole));
  made->setIdentifier(std::move(identifier));
  return made;
}

std::string numbered(const std::vector<std::string>& steps) {
  std::string list;
  for (std::size_t index = 0; index < steps.size(); ++index) {
    list += (index == 0 ? "" : "\n") + std::to_string(index + 1) + ". " + steps[index];
  }
  return list;
}

}  // namespace

IllustratedPanel::IllustratedPanel(const PanelStyle& style, const PanelContent& content,
                                   const platform::Bundle& bundle,
                                   platform::ScreensAndLanguages& screens,
                                   const std::vector<std::shared_ptr<platform::View>>& rows)
    : column_(
          std::make_shared<platform::StackView>(platform::Rect{0, 0, panelWidth, content.height})) {
  column_->setOrientation(platform::StackOrientation::vertical);
  column_->setAlignment(platform::StackAlignment::leading);
  column_->setSpacing(style.spacing);
  column_->setTranslatesAutoresizingMaskIntoConstraints(false);

  auto picture = std::make_shared<platform::ImageView>(
      platform::Rect{0, 0, panelWidth, content.pictureHeight});
  picture->setIdentifier(style.pictureIdentifier);
  picture->setTranslatesAutoresizingMaskIntoConstraints(false);
  platform::Layer& layer = picture->layer();
  layer.cornerRadius = 10;
  layer.masksToBounds = true;
  layer.backgroundColor = platform::Color::named("windowBackgroundColor").withAlpha(0.6);
  const std::shared_ptr<platform::Image> image =
      platform::Image::bundled(content.imageName, bundle);
  if (image) {
    const std::optional<platform::Screen> screen = platform::Screen::main(screens);
    layer.contents = image;
    layer.contentsGravity = platform::ContentsGravity::resizeAspectFill;
    layer.contentsScale = screen ? screen->backingScaleFactor() : 2.0;
  } else {
    picture->setImage(platform::Image::systemSymbol(content.fallbackSymbol, std::nullopt));
    picture->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
  }

  headline_ = label(content.headline, style.wrapsHeadlineAndHint,
                    platform::Font::system(13, platform::FontWeight::semibold), "labelColor",
                    style.headlineIdentifier);
  steps_ = label(numbered(content.steps), true, platform::Font::system(12), "secondaryLabelColor",
                 style.stepsIdentifier);
  hint_ = label(content.missingPictureHint, style.wrapsHeadlineAndHint, platform::Font::system(11),
                "tertiaryLabelColor", style.hintIdentifier);
  hint_->setHidden(image != nullptr);

  // The stack lays out as views are added, so the constraints come first.
  picture->activateWidthConstraint(panelWidth);
  picture->activateHeightConstraint(content.pictureHeight);
  column_->activateWidthConstraint(panelWidth);
  column_->addArrangedSubview(picture);
  column_->addArrangedSubview(headline_);
  column_->addArrangedSubview(steps_);
  for (const std::shared_ptr<platform::View>& row : rows) {
    column_->addArrangedSubview(row);
  }
  column_->addArrangedSubview(hint_);
  // A panel whose texts need more room than its frame grows to hold them, so that nothing is cut
  // off at the bottom of the dialog.
  if (const platform::Size fitting = column_->fittingSize();
      fitting.height > column_->frame().height) {
    column_->setFrame({0, 0, panelWidth, fitting.height});
  }
}

void IllustratedPanel::setTexts(const std::string& headline, const std::vector<std::string>& steps,
                                const std::string& missingPictureHint) {
  headline_->setText(headline);
  steps_->setText(numbered(steps));
  hint_->setText(missingPictureHint);
}

}  // namespace suite
