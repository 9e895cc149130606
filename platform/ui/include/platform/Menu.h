#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/InterfaceRecords.h"
#include "platform/KeyEvent.h"

namespace platform {

// One entry of a menu or of a pop-up button: a title with an optional key equivalent, action and
// represented object, or a separator line. Main thread only.
class MenuItem {
 public:
  explicit MenuItem(std::string title = {}, std::function<void()> action = {},
                    std::string keyEquivalent = {});
  static std::shared_ptr<MenuItem> separator();

  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }
  // The key (for example ",") pressed with the modifier mask while the menu is open.
  const std::string& keyEquivalent() const { return keyEquivalent_; }
  void setKeyEquivalent(std::string keyEquivalent) { keyEquivalent_ = std::move(keyEquivalent); }
  // Modifier flags as in KeyEvent.h; Command unless changed.
  std::uint32_t keyEquivalentModifierMask() const { return modifierMask_; }
  void setKeyEquivalentModifierMask(std::uint32_t mask) { modifierMask_ = mask; }
  bool hasAction() const { return static_cast<bool>(action_); }
  void setAction(std::function<void()> action) { action_ = std::move(action); }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }
  bool isSeparatorItem() const { return separator_; }
  // A text the program attaches to the item (a code behind a shown label).
  const std::optional<std::string>& representedObject() const { return representedObject_; }
  void setRepresentedObject(std::optional<std::string> object) {
    representedObject_ = std::move(object);
  }

  // Chooses the item as the user does: runs its action. False for a disabled item, a separator or
  // an item without action.
  bool perform() const;

  // The item as the menu shows it (modifiers only with a key equivalent).
  MenuItemRecord describe() const;

 private:
  std::string title_;
  std::function<void()> action_;
  std::string keyEquivalent_;
  std::uint32_t modifierMask_ = modifierFlag::command;
  bool enabled_ = true;
  bool separator_ = false;
  std::optional<std::string> representedObject_;
};

// A menu: items in order. Items are changed before the menu is shown; a menu shown by a status
// item is replaced whole rather than edited (the status item then tells the desktop). Main thread
// only.
class Menu {
 public:
  explicit Menu(std::string title = {}) : title_(std::move(title)) {}

  const std::string& title() const { return title_; }
  void addItem(std::shared_ptr<MenuItem> item);
  // Makes, adds and returns an item.
  MenuItem& addItem(std::string title, std::function<void()> action, std::string keyEquivalent);
  const std::vector<std::shared_ptr<MenuItem>>& items() const { return items_; }
  std::size_t numberOfItems() const { return items_.size(); }
  // The first item with that title, or nullptr.
  MenuItem* itemWithTitle(std::string_view title) const;

  // Chooses the first item with that title (see MenuItem::perform); false when there is none or
  // it cannot be chosen.
  bool chooseItem(std::string_view title) const;

  // The items' descriptions, in order.
  std::vector<MenuItemRecord> describe() const;

 private:
  std::shared_ptr<MenuItem> find(std::string_view title) const;

  std::string title_;
  std::vector<std::shared_ptr<MenuItem>> items_;
};

}  // namespace platform
