#include "platform/Menu.h"

#include <algorithm>
#include <utility>

namespace platform {

MenuItem::MenuItem(std::string title, std::function<void()> action, std::string keyEquivalent)
    : title_(std::move(title)),
      action_(std::move(action)),
      keyEquivalent_(std::move(keyEquivalent)) {}

std::shared_ptr<MenuItem> MenuItem::separator() {
  auto item = std::make_shared<MenuItem>();
  item->separator_ = true;
  item->enabled_ = false;
  return item;
}

bool MenuItem::perform() const {
  if (separator_ || !enabled_ || !action_) {
    return false;
  }
  // A copy: the action may rebuild the menu that holds this item.
  const std::function<void()> action = action_;
  action();
  return true;
}

MenuItemRecord MenuItem::describe() const {
  MenuItemRecord record;
  if (separator_) {
    record.separator = true;
    return record;
  }
  record.title = title_;
  record.keyEquivalent = keyEquivalent_;
  if (!keyEquivalent_.empty()) {
    for (const auto& [flag, name] :
         {std::pair{modifierFlag::control, "control"}, std::pair{modifierFlag::option, "option"},
          std::pair{modifierFlag::shift, "shift"}, std::pair{modifierFlag::command, "command"}}) {
      if ((modifierMask_ & flag) != 0) {
        record.modifiers.emplace_back(name);
      }
    }
  }
  record.enabled = enabled_;
  record.hasAction = static_cast<bool>(action_);
  record.representedObject = representedObject_;
  return record;
}

void Menu::addItem(std::shared_ptr<MenuItem> item) {
  if (item) {
    items_.push_back(std::move(item));
  }
}

MenuItem& Menu::addItem(std::string title, std::function<void()> action,
                        std::string keyEquivalent) {
  auto item =
      std::make_shared<MenuItem>(std::move(title), std::move(action), std::move(keyEquivalent));
  MenuItem& added = *item;
  items_.push_back(std::move(item));
  return added;
}

std::shared_ptr<MenuItem> Menu::find(std::string_view title) const {
  const auto found = std::ranges::find_if(items_, [title](const std::shared_ptr<MenuItem>& item) {
    return !item->isSeparatorItem() && item->title() == title;
  });
  return found == items_.end() ? nullptr : *found;
}

MenuItem* Menu::itemWithTitle(std::string_view title) const {
  return find(title).get();
}

bool Menu::chooseItem(std::string_view title) const {
  // Keeps the item alive while its action runs, should the action replace this menu.
  const std::shared_ptr<MenuItem> item = find(title);
  return item && item->perform();
}

std::vector<MenuItemRecord> Menu::describe() const {
  std::vector<MenuItemRecord> items;
  items.reserve(items_.size());
  for (const auto& item : items_) {
    items.push_back(item->describe());
  }
  return items;
}

}  // namespace platform
