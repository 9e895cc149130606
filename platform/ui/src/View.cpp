// Views and their trees.

#include "platform/View.h"

#include <algorithm>
#include <utility>

#include "platform/Image.h"

namespace platform {
namespace {

const char* gravityName(ContentsGravity gravity) {
  switch (gravity) {
    case ContentsGravity::resize:
      return "resize";
    case ContentsGravity::resizeAspect:
      return "resizeAspect";
    case ContentsGravity::resizeAspectFill:
      return "resizeAspectFill";
    case ContentsGravity::center:
      return "center";
  }
  return "resize";
}

LayerRecord layerDescription(const Layer& layer) {
  LayerRecord record;
  record.cornerRadius = layer.cornerRadius;
  record.borderWidth = layer.borderWidth;
  record.borderColor = layer.borderColor;
  record.backgroundColor = layer.backgroundColor;
  record.masksToBounds = layer.masksToBounds;
  if (layer.contents) {
    record.contents = layer.contents->describe();
  }
  record.contentsGravity = gravityName(layer.contentsGravity);
  record.contentsScale = layer.contentsScale;
  return record;
}

bool isInSubtree(const View* view, const View& root) {
  for (const View* current = view; current != nullptr; current = current->superview()) {
    if (current == &root) {
      return true;
    }
  }
  return false;
}

View* findDepthFirst(View& view, const std::string& name, bool byIdentifier) {
  if ((byIdentifier ? view.identifier() : view.addressableText()) == name) {
    return &view;
  }
  for (const auto& subview : view.subviews()) {
    if (View* found = findDepthFirst(*subview, name, byIdentifier)) {
      return found;
    }
  }
  return nullptr;
}

}  // namespace

View::View(Rect frame) : frame_(frame) {}

View::~View() {
  for (const auto& subview : subviews_) {
    if (subview->superview_ == this) {
      subview->superview_ = nullptr;
    }
  }
}

void View::setFrame(Rect frame) {
  frame_ = frame;
  changed();
}

void View::addSubview(std::shared_ptr<View> view) {
  // A view cannot hold itself or one of its ancestors.
  if (!view || isInSubtree(this, *view)) {
    return;
  }
  view->removeFromSuperview();
  view->superview_ = this;
  subviews_.push_back(std::move(view));
  changed();
}

void View::removeFromSuperview() {
  View* parent = superview_;
  if (parent == nullptr) {
    return;
  }
  // A view that leaves the tree takes the keyboard focus of its subtree with it.
  if (ViewHost* owner = host(); owner != nullptr && isInSubtree(owner->firstResponder(), *this)) {
    owner->makeFirstResponder(nullptr);
  }
  const auto found = std::ranges::find_if(
      parent->subviews_,
      [this](const std::shared_ptr<View>& subview) { return subview.get() == this; });
  // Keeps this view alive until the old tree has been told; the caller may hold no other reference.
  const std::shared_ptr<View> self = std::move(*found);
  parent->subviews_.erase(found);
  superview_ = nullptr;
  parent->changed();
}

void View::setHidden(bool hidden) {
  hidden_ = hidden;
  changed();
}

void View::setAlphaValue(double alpha) {
  alpha_ = alpha;
  changed();
}

void View::setAutoresizingMask(std::uint32_t mask) {
  autoresizingMask_ = mask;
  changed();
}

void View::setIdentifier(std::string identifier) {
  identifier_ = std::move(identifier);
  changed();
}

void View::setWantsLayer(bool wantsLayer) {
  if (!wantsLayer) {
    layer_.reset();
  } else if (!layer_) {
    layer_.emplace();
  }
  changed();
}

Layer& View::layer() {
  if (!layer_) {
    layer_.emplace();
  }
  // The caller changes the layer through the reference; the host publishes the tree later, from
  // the loop, so it sees those changes.
  changed();
  return *layer_;
}

void View::setTranslatesAutoresizingMaskIntoConstraints(bool translates) {
  translatesMask_ = translates;
  changed();
}

void View::activateWidthConstraint(double width) {
  widthConstraint_ = width;
  changed();
}

void View::activateHeightConstraint(double height) {
  heightConstraint_ = height;
  changed();
}

ViewHost* View::host() const {
  const View* root = this;
  while (root->superview_ != nullptr) {
    root = root->superview_;
  }
  return root->host_;
}

void View::setHost(ViewHost* host) {
  host_ = host;
}

View* View::findView(const std::string& name) {
  if (name.empty()) {
    return nullptr;
  }
  if (View* found = findDepthFirst(*this, name, true)) {
    return found;
  }
  return findDepthFirst(*this, name, false);
}

ViewRecord View::describe() const {
  ViewRecord description;
  description.identifier = identifier_;
  description.kind = kind();
  description.frame = frame_;
  description.hidden = hidden_;
  description.alpha = alpha_;
  if (layer_) {
    description.layer = layerDescription(*layer_);
  }
  describeProperties(description);
  for (const auto& subview : subviews_) {
    description.subviews.push_back(subview->describe());
  }
  return description;
}

void View::changed() const {
  if (ViewHost* owner = host()) {
    owner->viewTreeChanged();
  }
}

}  // namespace platform
