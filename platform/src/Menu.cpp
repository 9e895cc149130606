#include "platform/Menu.h"

#include <algorithm>
#include <utility>

#include <nlohmann/json.hpp>

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

nlohmann::json MenuItem::describe() const {
  if (separator_) {
    return {{"separator", true}};
  }
  auto modifiers = nlohmann::json::array();
  if ((modifierMask_ & modifierFlag::control) != 0) {
    modifiers.push_back("control");
  }
  if ((modifierMask_ & modifierFlag::option) != 0) {
    modifiers.push_back("option");
  }
  if ((modifierMask_ & modifierFlag::shift) != 0) {
    modifiers.push_back("shift");
  }
  if ((modifierMask_ & modifierFlag::command) != 0) {
    modifiers.push_back("command");
  }
  return {{"title", title_},
          {"keyEquivalent", keyEquivalent_},
          {"modifiers", keyEquivalent_.empty() ? nlohmann::json::array() : modifiers},
          {"enabled", enabled_},
          {"action", static_cast<bool>(action_)},
          {"representedObject",
           representedObject_ ? nlohmann::json(*representedObject_) : nlohmann::json(nullptr)}};
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

nlohmann::json Menu::describe() const {
  auto items = nlohmann::json::array();
  for (const auto& item : items_) {
    items.push_back(item->describe());
  }
  return items;
}

}  // namespace platform
