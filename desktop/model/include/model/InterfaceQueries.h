#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/InterfaceRecords.h"

namespace platform {

// Finding what the user points at in what a program shows.

// Whether the view is called `target`: its identifier, a button's title or a label's text.
bool viewMatches(const ViewRecord& view, const std::string& target);
// The first view of the tree, depth first, that satisfies `matches`.
const ViewRecord* findView(const ViewRecord& root,
                           const std::function<bool(const ViewRecord&)>& matches);
// Whether the view is a pop-up that offers `item` (and has the identifier `popUp`, when given).
bool popUpHolds(const ViewRecord& view, const std::string& item,
                const std::optional<std::string>& popUp);
// The key window of an interface, if one is visible.
const WindowRecord* keyWindowOf(const InterfaceRecord& interface);

}  // namespace platform
