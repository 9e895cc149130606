#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/View.h"

namespace platform {

enum class StackOrientation { horizontal, vertical };

// Where arranged views sit across the stack: leading, trailing and centerX for vertical stacks,
// top, bottom and centerY for horizontal ones (leading counts as top and trailing as bottom in a
// horizontal stack, top as leading and bottom as trailing in a vertical one).
enum class StackAlignment { leading, centerX, centerY, trailing, top, bottom };

// Lays its arranged views out in a row or a column with fixed spacing, without insets: a vertical
// stack from its top edge downwards, a horizontal one from its left edge. Each arranged view takes
// its width and height from its constraints, else from its intrinsic size, else from its frame,
// never wider (vertical) or higher (horizontal) than the stack when the stack has that size; a view
// narrowed so is asked its intrinsic height again at the narrower width (wrapping labels). Hidden
// views take no space. The stack's own frame is left to whoever places it.
class StackView : public View {
 public:
  explicit StackView(Rect frame = {});

  StackOrientation orientation() const { return orientation_; }
  void setOrientation(StackOrientation orientation);
  StackAlignment alignment() const { return alignment_; }
  void setAlignment(StackAlignment alignment);
  double spacing() const { return spacing_; }
  void setSpacing(double spacing);

  // The arranged views, first to last. Adding one also makes it a subview (at the top).
  const std::vector<std::shared_ptr<View>>& arrangedSubviews() const { return arranged_; }
  void addArrangedSubview(std::shared_ptr<View> view);

  // Places the arranged views in the current frame. Runs by itself when arranged views are added,
  // when the stack's properties change, and when a label or stack view arranged in it changes
  // its content; a stack view in a stack view has its holder lay out again afterwards.
  void layout();

  // The size that holds the visible arranged views and the spacing between them, across the stack
  // no larger than the stack's own width (vertical) or height (horizontal) constraint.
  Size fittingSize() const;
  std::optional<Size> intrinsicContentSize() const override { return fittingSize(); }

  std::string kind() const override { return "stackView"; }

 protected:
  // "orientation", "alignment", "spacing".
  void describeProperties(ViewRecord& description) const override;

 private:
  // The arranged views that are still subviews and not hidden.
  std::vector<View*> visibleArranged() const;
  // The size an arranged view is given, before it is narrowed to the stack.
  static Size preferredSize(const View& view);

  StackOrientation orientation_ = StackOrientation::horizontal;
  StackAlignment alignment_ = StackAlignment::centerY;
  double spacing_ = 8;
  std::vector<std::shared_ptr<View>> arranged_;
  bool layingOut_ = false;
};

}  // namespace platform
