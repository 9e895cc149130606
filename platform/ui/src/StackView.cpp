#include "platform/StackView.h"

#include <algorithm>
#include <utility>

namespace platform {
namespace {

enum class CrossPlacement { low, center, high };

// Where an arranged view sits across the stack, in the stack's coordinates (y grows upwards, so
// the top of a horizontal stack is its high end).
CrossPlacement placement(StackOrientation orientation, StackAlignment alignment) {
  const bool vertical = orientation == StackOrientation::vertical;
  switch (alignment) {
    case StackAlignment::leading:
    case StackAlignment::top:
      return vertical ? CrossPlacement::low : CrossPlacement::high;
    case StackAlignment::trailing:
    case StackAlignment::bottom:
      return vertical ? CrossPlacement::high : CrossPlacement::low;
    case StackAlignment::centerX:
    case StackAlignment::centerY:
      return CrossPlacement::center;
  }
  return CrossPlacement::center;
}

const char* alignmentName(StackAlignment alignment) {
  switch (alignment) {
    case StackAlignment::leading:
      return "leading";
    case StackAlignment::centerX:
      return "centerX";
    case StackAlignment::centerY:
      return "centerY";
    case StackAlignment::trailing:
      return "trailing";
    case StackAlignment::top:
      return "top";
    case StackAlignment::bottom:
      return "bottom";
  }
  return "centerY";
}

}  // namespace

StackView::StackView(Rect frame) : View(frame) {}

void StackView::setOrientation(StackOrientation orientation) {
  orientation_ = orientation;
  changed();
  layout();
}

void StackView::setAlignment(StackAlignment alignment) {
  alignment_ = alignment;
  changed();
  layout();
}

void StackView::setSpacing(double spacing) {
  spacing_ = spacing;
  changed();
  layout();
}

void StackView::addArrangedSubview(std::shared_ptr<View> view) {
  if (!view) {
    return;
  }
  std::erase(arranged_, view);
  addSubview(view);
  if (view->superview() == this) {
    arranged_.push_back(std::move(view));
  }
  layout();
}

std::vector<View*> StackView::visibleArranged() const {
  std::vector<View*> views;
  for (const auto& view : arranged_) {
    if (view->superview() == this && !view->isHidden()) {
      views.push_back(view.get());
    }
  }
  return views;
}

Size StackView::preferredSize(const View& view) {
  const auto intrinsic = view.intrinsicContentSize();
  return {view.widthConstraint().value_or(intrinsic ? intrinsic->width : view.frame().width),
          view.heightConstraint().value_or(intrinsic ? intrinsic->height : view.frame().height)};
}

void StackView::layout() {
  if (layingOut_) {
    return;
  }
  layingOut_ = true;
  // A view taken out of the stack by removeFromSuperview is no longer arranged.
  std::erase_if(arranged_, [this](const auto& view) { return view->superview() != this; });

  const bool vertical = orientation_ == StackOrientation::vertical;
  const double crossLimit = vertical ? frame().width : frame().height;
  const CrossPlacement cross = placement(orientation_, alignment_);
  double along = vertical ? frame().height : 0;
  for (View* view : visibleArranged()) {
    Size size = preferredSize(*view);
    double& crossSize = vertical ? size.width : size.height;
    const bool crossFixed =
        (vertical ? view->widthConstraint() : view->heightConstraint()).has_value();
    if (!crossFixed && crossLimit > 0 && crossSize > crossLimit) {
      crossSize = crossLimit;
    }
    if (vertical && !view->heightConstraint()) {
      // The height may follow from the width (a wrapping label), so the width is given first.
      view->setFrame({view->frame().x, view->frame().y, size.width, view->frame().height});
      if (const auto intrinsic = view->intrinsicContentSize()) {
        size.height = intrinsic->height;
      }
    }
    const double room = crossLimit - crossSize;
    double offset = room / 2;
    if (cross == CrossPlacement::low) {
      offset = 0;
    } else if (cross == CrossPlacement::high) {
      offset = room;
    }
    if (vertical) {
      along -= size.height;
      view->setFrame({offset, along, size.width, size.height});
      along -= spacing_;
    } else {
      view->setFrame({along, offset, size.width, size.height});
      along += size.width + spacing_;
    }
    if (auto* nested = dynamic_cast<StackView*>(view)) {
      nested->layout();
    }
  }
  layingOut_ = false;
  if (auto* holder = dynamic_cast<StackView*>(superview())) {
    holder->layout();
  }
}

Size StackView::fittingSize() const {
  const bool vertical = orientation_ == StackOrientation::vertical;
  const auto crossLimit = vertical ? widthConstraint() : heightConstraint();
  double alongTotal = 0;
  double crossMost = 0;
  const auto views = visibleArranged();
  for (const View* view : views) {
    const Size size = preferredSize(*view);
    double crossSize = vertical ? size.width : size.height;
    const bool crossFixed =
        (vertical ? view->widthConstraint() : view->heightConstraint()).has_value();
    if (crossLimit && !crossFixed) {
      crossSize = std::min(crossSize, *crossLimit);
    }
    crossMost = std::max(crossMost, crossSize);
    alongTotal += vertical ? size.height : size.width;
  }
  if (views.size() > 1) {
    alongTotal += spacing_ * static_cast<double>(views.size() - 1);
  }
  return vertical ? Size{crossMost, alongTotal} : Size{alongTotal, crossMost};
}

void StackView::describeProperties(ViewRecord& description) const {
  description.stack =
      StackRecord{orientation_ == StackOrientation::vertical ? "vertical" : "horizontal",
                  alignmentName(alignment_), spacing_};
}

}  // namespace platform
