#include "suite/ProgressWindow.h"

#include <algorithm>
#include <utility>

#include "platform/VisualEffectView.h"
#include "suite/Identity.h"

namespace suite {
namespace {

std::shared_ptr<platform::Label> messageLabel(platform::Rect frame, std::string text,
                                              platform::Font font) {
  auto label = std::make_shared<platform::Label>(frame);
  label->setIdentifier("progressMessage");
  label->setText(std::move(text));
  label->setFont(font);
  label->setLineBreakMode(platform::LineBreakMode::wordWrapping);
  label->setMaximumNumberOfLines(2);
  return label;
}

}  // namespace

ProgressWindow::ProgressWindow(platform::Application& application, double width, double height)
    : window_(std::make_unique<platform::Window>(
          platform::Rect{0, 0, width, height},
          platform::windowStyle::titled | platform::windowStyle::closable,
          platform::BackingStore::buffered, false, application)) {
  window_->setTitle(std::string(productName));
  window_->setLevel(platform::windowLevel::floating);
  window_->setReleasedWhenClosed(false);
}

ProgressWindow::~ProgressWindow() {
  window_->orderOut();
}

void ProgressWindow::show(platform::Application& application,
                          std::shared_ptr<platform::View> content) {
  content->setAutoresizingMask(platform::autoresizing::widthSizable |
                               platform::autoresizing::heightSizable);
  window_->setContentView(std::move(content));
  window_->center();
  window_->makeKeyAndOrderFront();
  application.activate();
}

std::unique_ptr<ProgressWindow> ProgressWindow::withBar(platform::Application& application,
                                                        const std::string& message,
                                                        const std::string& hint) {
  std::unique_ptr<ProgressWindow> progress(new ProgressWindow(application, 460, 220));
  const platform::View* plain = progress->window_->contentView().get();
  auto background =
      std::make_shared<platform::VisualEffectView>(plain ? plain->bounds() : platform::Rect{});
  background->setMaterial(21);
  background->setBlendingMode(0);
  background->setState(1);
  platform::Layer& layer = background->layer();
  layer.cornerRadius = 12;
  layer.masksToBounds = true;

  progress->message_ = messageLabel({26, 132, 400, 28}, message,
                                    platform::Font::system(15, platform::FontWeight::semibold));
  progress->bar_ = std::make_shared<platform::ProgressIndicator>(platform::Rect{26, 96, 400, 18});
  platform::ProgressIndicator& bar = *progress->bar_;
  bar.setIdentifier("progressBar");
  bar.setStyle(platform::ProgressIndicatorStyle::bar);
  bar.setIndeterminate(false);
  bar.setMinValue(0);
  bar.setMaxValue(1);
  bar.setDoubleValue(0.02);
  bar.setControlSize(platform::ControlSize::regular);
  auto hintLabel = std::make_shared<platform::Label>(platform::Rect{26, 64, 400, 18});
  hintLabel->setIdentifier("progressHint");
  hintLabel->setText(hint);
  hintLabel->setFont(platform::Font::system(12));
  hintLabel->setTextColor(platform::Color::named("secondaryLabelColor"));
  background->addSubview(progress->message_);
  background->addSubview(progress->bar_);
  background->addSubview(hintLabel);
  progress->show(application, std::move(background));
  return progress;
}

std::unique_ptr<ProgressWindow> ProgressWindow::withSpinner(platform::Application& application,
                                                            const std::string& message) {
  std::unique_ptr<ProgressWindow> progress(new ProgressWindow(application, 420, 180));
  auto content = std::make_shared<platform::View>(platform::Rect{0, 0, 420, 180});
  auto spinner = std::make_shared<platform::ProgressIndicator>(platform::Rect{28, 78, 24, 24});
  spinner->setIdentifier("progressIndicator");
  spinner->setStyle(platform::ProgressIndicatorStyle::spinning);
  spinner->setIndeterminate(true);
  spinner->setControlSize(platform::ControlSize::regular);
  spinner->startAnimation();
  progress->message_ = messageLabel({68, 74, 300, 32}, message,
                                    platform::Font::system(14, platform::FontWeight::medium));
  content->addSubview(spinner);
  content->addSubview(progress->message_);
  progress->show(application, std::move(content));
  return progress;
}

void ProgressWindow::update(double value, const std::string& message) {
  if (bar_) {
    bar_->setDoubleValue(std::clamp(value, 0.0, 1.0));
  }
  message_->setText(message);
}

}  // namespace suite
