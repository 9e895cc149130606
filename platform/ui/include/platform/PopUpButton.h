#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Control.h"
#include "platform/Menu.h"

namespace platform {

// A pop-up button: a list of items of which at most one is selected and shown. As on the
// platform, adding an item whose title is already there replaces the old one, and while items are
// there but none is selected, adding items selects the first. Main thread only.
class PopUpButton : public Control {
 public:
  explicit PopUpButton(Rect frame = {});

  const std::vector<std::shared_ptr<MenuItem>>& items() const { return items_; }
  int numberOfItems() const { return static_cast<int>(items_.size()); }
  // The item at that index, or nullptr.
  MenuItem* itemAt(int index) const;
  MenuItem* lastItem() const { return items_.empty() ? nullptr : items_.back().get(); }
  std::vector<std::string> itemTitles() const;
  // The index of the first item with that title, or -1.
  int indexOfItemWithTitle(std::string_view title) const;

  void addItem(std::string title);
  void addItems(const std::vector<std::string>& titles);
  void removeAllItems();

  // Selects the item at that index; -1 (or any index outside the list) clears the selection.
  void selectItem(int index);
  // Selects the first item with that title; clears the selection when there is none.
  void selectItemWithTitle(std::string_view title);
  // -1 when nothing is selected.
  int indexOfSelectedItem() const;
  MenuItem* selectedItem() const { return selected_; }
  // Absent when nothing is selected.
  std::optional<std::string> titleOfSelectedItem() const;

  // The user's choice of an entry, for the desktop's driver: selects the first item with that
  // title and sends the action. False when there is no such item or the pop-up is disabled.
  bool chooseItem(std::string_view title);

  // A mouse-down only opens the list; nothing is chosen until an entry is (chooseItem).
  void mouseDown() override {}

  std::string kind() const override { return "popUpButton"; }
  std::string addressableText() const override { return titleOfSelectedItem().value_or(""); }

 protected:
  // Adds "items" (the titles in order) and "selectedIndex".
  void describeProperties(ViewRecord& description) const override;

 private:
  void addItemWithoutNotice(std::string title);

  std::vector<std::shared_ptr<MenuItem>> items_;
  MenuItem* selected_ = nullptr;
};

}  // namespace platform
