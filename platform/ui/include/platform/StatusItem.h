#pragma once

#include <memory>
#include <string>

#include "platform/Application.h"
#include "platform/Image.h"
#include "platform/InterfaceRecords.h"
#include "platform/Menu.h"

namespace platform {

// The clickable part of a status item in the menu bar: an image and a title with a tool tip.
// Main thread only.
class StatusBarButton {
 public:
  explicit StatusBarButton(Application& application) : application_(&application) {}

  const std::shared_ptr<Image>& image() const { return image_; }
  void setImage(std::shared_ptr<Image> image);
  const std::string& title() const { return title_; }
  void setTitle(std::string title);
  // Where the image sits next to the title, as the platform's raw value (7: image leading).
  int imagePosition() const { return imagePosition_; }
  void setImagePosition(int position);
  const std::string& toolTip() const { return toolTip_; }
  void setToolTip(std::string toolTip);

 private:
  Application* application_;
  std::shared_ptr<Image> image_;
  std::string title_;
  int imagePosition_ = 0;
  std::string toolTip_;
};

// An item of the menu bar, with its button and the menu it opens. It is in the menu bar from its
// creation until it is destroyed. The application must outlive it. Main thread only.
class StatusItem {
 public:
  // The length that follows the item's content.
  static constexpr double variableLength = -1;

  // Made by StatusBar::statusItem.
  StatusItem(Application& application, double length);
  ~StatusItem();
  StatusItem(const StatusItem&) = delete;
  StatusItem& operator=(const StatusItem&) = delete;
  StatusItem(StatusItem&&) = delete;
  StatusItem& operator=(StatusItem&&) = delete;

  double length() const { return length_; }
  // Always present here; the platform may have none.
  StatusBarButton* button() { return &button_; }
  const StatusBarButton* button() const { return &button_; }

  // The menu opened by a click. Replace it whole to change it (the desktop is told then).
  const std::shared_ptr<Menu>& menu() const { return menu_; }
  void setMenu(std::shared_ptr<Menu> menu);

  // The item in the menu bar: its button's title, image and tool tip, and its menu.
  StatusItemRecord describe() const;

 private:
  Application* application_;
  double length_;
  StatusBarButton button_;
  std::shared_ptr<Menu> menu_;
};

// The system menu bar of an application.
class StatusBar {
 public:
  static StatusBar system(Application& application) { return StatusBar(application); }

  // A new item in the menu bar; it leaves the menu bar when the last reference goes.
  std::shared_ptr<StatusItem> statusItem(double length) const;

 private:
  explicit StatusBar(Application& application) : application_(&application) {}

  Application* application_;
};

}  // namespace platform
