#include "model/InterfaceQueries.h"

#include <algorithm>

namespace platform {

bool viewMatches(const ViewRecord& view, const std::string& target) {
  return view.identifier == target || (view.button && view.button->title == target) ||
         (view.label && view.label->text == target);
}

const ViewRecord* findView(const ViewRecord& root,
                           const std::function<bool(const ViewRecord&)>& matches) {
  if (matches(root)) {
    return &root;
  }
  for (const ViewRecord& subview : root.subviews) {
    if (const ViewRecord* found = findView(subview, matches)) {
      return found;
    }
  }
  return nullptr;
}

bool popUpHolds(const ViewRecord& view, const std::string& item,
                const std::optional<std::string>& popUp) {
  return view.popUp && (!popUp || view.identifier == *popUp) &&
         std::ranges::find(view.popUp->items, item) != view.popUp->items.end();
}

const WindowRecord* keyWindowOf(const InterfaceRecord& interface) {
  const auto found = std::ranges::find_if(
      interface.windows, [](const WindowRecord& window) { return window.visible && window.key; });
  return found != interface.windows.end() ? &*found : nullptr;
}

}  // namespace platform
