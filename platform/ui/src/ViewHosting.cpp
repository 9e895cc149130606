#include "ViewHosting.h"

namespace platform::hosting {

View* KeyboardFocus::current() const {
  const std::shared_ptr<View> view = view_.lock();
  // A view that has left the tree has lost the focus with it.
  return view && view->host() == host_ ? view.get() : nullptr;
}

bool KeyboardFocus::moveTo(View* view) {
  View* const old = current();
  if (view == old) {
    return true;
  }
  if (view != nullptr && (view->host() != host_ || !view->acceptsFirstResponder())) {
    return false;
  }
  if (old != nullptr && !old->resignFirstResponder()) {
    return false;
  }
  view_.reset();
  const bool taken = view == nullptr || view->becomeFirstResponder();
  if (taken && view != nullptr) {
    view_ = view->weak_from_this();
  }
  host_->viewTreeChanged();
  return taken;
}

bool isShown(const View& view) {
  for (const View* current = &view; current != nullptr; current = current->superview()) {
    if (current->isHidden()) {
      return false;
    }
  }
  return true;
}

bool click(ViewHost& host, View& root, const std::string& target) {
  View* const view = root.findView(target);
  if (view == nullptr || !isShown(*view)) {
    return false;
  }
  if (view->acceptsFirstResponder()) {
    host.makeFirstResponder(view);
  }
  view->mouseDown();
  return true;
}

}  // namespace platform::hosting
