#include "platform/PopUpButton.h"

#include <algorithm>
#include <utility>

namespace platform {

PopUpButton::PopUpButton(Rect frame) : Control(frame) {}

MenuItem* PopUpButton::itemAt(int index) const {
  if (index < 0 || index >= numberOfItems()) {
    return nullptr;
  }
  return items_[static_cast<std::size_t>(index)].get();
}

std::vector<std::string> PopUpButton::itemTitles() const {
  std::vector<std::string> titles;
  titles.reserve(items_.size());
  for (const auto& item : items_) {
    titles.push_back(item->title());
  }
  return titles;
}

int PopUpButton::indexOfItemWithTitle(std::string_view title) const {
  const auto found = std::ranges::find_if(
      items_, [title](const std::shared_ptr<MenuItem>& item) { return item->title() == title; });
  return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void PopUpButton::addItemWithoutNotice(std::string title) {
  if (const int existing = indexOfItemWithTitle(title); existing >= 0) {
    if (itemAt(existing) == selected_) {
      selected_ = nullptr;
    }
    items_.erase(items_.begin() + existing);
  }
  items_.push_back(std::make_shared<MenuItem>(std::move(title)));
  if (selected_ == nullptr) {
    selected_ = items_.front().get();
  }
}

void PopUpButton::addItem(std::string title) {
  addItemWithoutNotice(std::move(title));
  changed();
}

void PopUpButton::addItems(const std::vector<std::string>& titles) {
  for (const auto& title : titles) {
    addItemWithoutNotice(title);
  }
  changed();
}

void PopUpButton::removeAllItems() {
  items_.clear();
  selected_ = nullptr;
  changed();
}

void PopUpButton::selectItem(int index) {
  selected_ = itemAt(index);
  changed();
}

void PopUpButton::selectItemWithTitle(std::string_view title) {
  selectItem(indexOfItemWithTitle(title));
}

int PopUpButton::indexOfSelectedItem() const {
  const auto found = std::ranges::find_if(
      items_, [this](const std::shared_ptr<MenuItem>& item) { return item.get() == selected_; });
  return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

std::optional<std::string> PopUpButton::titleOfSelectedItem() const {
  if (selected_ == nullptr) {
    return std::nullopt;
  }
  return selected_->title();
}

bool PopUpButton::chooseItem(std::string_view title) {
  if (!isEnabled()) {
    return false;
  }
  const int index = indexOfItemWithTitle(title);
  if (index < 0) {
    return false;
  }
  selectItem(index);
  sendAction();
  return true;
}

void PopUpButton::describeProperties(ViewRecord& description) const {
  Control::describeProperties(description);
  description.popUp = PopUpRecord{itemTitles(), indexOfSelectedItem()};
}

}  // namespace platform
