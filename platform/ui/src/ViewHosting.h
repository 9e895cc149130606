#pragma once

#include <memory>
#include <string>

#include "platform/View.h"

// Keyboard focus and clicks as the hosts of view trees (windows and alerts) handle them.
namespace platform::hosting {

// The view of a host's tree that has the keyboard focus, if any.
class KeyboardFocus {
 public:
  explicit KeyboardFocus(ViewHost& host) : host_(&host) {}

  // The focused view, while it is still in the host's tree.
  View* current() const;

  // Moves the focus to the view (nullptr: to none). The view must be in the host's tree and
  // accept the focus; the focused view may refuse to give it up, and the new one to take it.
  // Returns whether the view has the focus now.
  bool moveTo(View* view);

 private:
  ViewHost* host_;
  std::weak_ptr<View> view_;
};

// Whether the view and every view above it are shown.
bool isShown(const View& view);

// A click on the view that the target names (identifier, else title or text) in the tree under
// root: a view that accepts the focus takes it, then the view gets the mouse-down. False when no
// shown view has that name.
bool click(ViewHost& host, View& root, const std::string& target);

}  // namespace platform::hosting
