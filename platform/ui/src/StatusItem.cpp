#include "platform/StatusItem.h"

#include <utility>

namespace platform {

void StatusBarButton::setImage(std::shared_ptr<Image> image) {
  image_ = std::move(image);
  application_->interfaceChanged();
}

void StatusBarButton::setTitle(std::string title) {
  title_ = std::move(title);
  application_->interfaceChanged();
}

void StatusBarButton::setImagePosition(int position) {
  imagePosition_ = position;
  application_->interfaceChanged();
}

void StatusBarButton::setToolTip(std::string toolTip) {
  toolTip_ = std::move(toolTip);
  application_->interfaceChanged();
}

StatusItem::StatusItem(Application& application, double length)
    : application_(&application), length_(length), button_(application) {
  application_->addStatusItem(this);
}

StatusItem::~StatusItem() {
  application_->removeStatusItem(this);
}

void StatusItem::setMenu(std::shared_ptr<Menu> menu) {
  menu_ = std::move(menu);
  application_->interfaceChanged();
}

StatusItemRecord StatusItem::describe() const {
  StatusItemRecord record;
  record.length = length_;
  record.title = button_.title();
  if (button_.image()) {
    record.image = button_.image()->describe();
  }
  record.imagePosition = button_.imagePosition();
  record.toolTip = button_.toolTip();
  if (menu_) {
    record.menu = menu_->describe();
  }
  return record;
}

std::shared_ptr<StatusItem> StatusBar::statusItem(double length) const {
  return std::make_shared<StatusItem>(*application_, length);
}

}  // namespace platform
