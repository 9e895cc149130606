#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Appearance.h"
#include "platform/Geometry.h"
#include "platform/InterfaceRecords.h"
#include "platform/KeyEvent.h"

namespace platform {

class Image;
class View;

// What holds a view tree: a window, or an alert that shows an accessory view. It is told when
// anything in the tree changed (so that the desktop's picture is brought up to date) and decides
// which view has the keyboard focus.
class ViewHost {
 public:
  virtual ~ViewHost() = default;
  virtual void viewTreeChanged() = 0;
  // Gives the keyboard focus to the view (or to none); false when the change was refused.
  virtual bool makeFirstResponder(View* view) = 0;
  virtual View* firstResponder() const = 0;
};

// How layer contents are fitted into the layer's bounds.
enum class ContentsGravity { resize, resizeAspect, resizeAspectFill, center };

// The backing layer of a layer-backed view.
struct Layer {
  double cornerRadius = 0;
  double borderWidth = 0;
  std::optional<Color> borderColor;
  std::optional<Color> backgroundColor;
  bool masksToBounds = false;
  std::shared_ptr<const Image> contents;
  ContentsGravity contentsGravity = ContentsGravity::resize;
  double contentsScale = 1.0;
};

// Autoresizing mask bits, with the platform's values.
namespace autoresizing {
inline constexpr std::uint32_t none = 0;
inline constexpr std::uint32_t widthSizable = 1U << 1;
inline constexpr std::uint32_t heightSizable = 1U << 4;
}  // namespace autoresizing

// A rectangle in a view tree. Views are shared (made with std::make_shared and held by their
// superview and by whoever created them); the superview and the host are plain back references.
// Every setter tells the host that the tree changed. Main thread only.
class View : public std::enable_shared_from_this<View> {
 public:
  explicit View(Rect frame = {});
  virtual ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;
  View(View&&) = delete;
  View& operator=(View&&) = delete;

  const Rect& frame() const { return frame_; }
  void setFrame(Rect frame);
  // The view's own coordinate space: its frame's size at the origin.
  Rect bounds() const { return {0, 0, frame_.width, frame_.height}; }

  // Subviews in the order added; the last one is drawn on top.
  const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
  void addSubview(std::shared_ptr<View> view);
  void removeFromSuperview();
  View* superview() const { return superview_; }

  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden);
  double alphaValue() const { return alpha_; }
  void setAlphaValue(double alpha);
  std::uint32_t autoresizingMask() const { return autoresizingMask_; }
  void setAutoresizingMask(std::uint32_t mask);

  // The name tests and the desktop's driver address the view by.
  const std::string& identifier() const { return identifier_; }
  void setIdentifier(std::string identifier);

  // Layer backing: layer() makes the view layer-backed and returns the layer to change it.
  bool wantsLayer() const { return layer_.has_value(); }
  void setWantsLayer(bool wantsLayer);
  Layer& layer();
  const std::optional<Layer>& layerIfAny() const { return layer_; }

  // Constraint-based layout: a view laid out by constraints does not turn its autoresizing mask
  // into constraints, and may have a fixed width and height.
  bool translatesAutoresizingMaskIntoConstraints() const { return translatesMask_; }
  void setTranslatesAutoresizingMaskIntoConstraints(bool translates);
  std::optional<double> widthConstraint() const { return widthConstraint_; }
  std::optional<double> heightConstraint() const { return heightConstraint_; }
  void activateWidthConstraint(double width);
  void activateHeightConstraint(double height);

  // The size the view wants for its content, when it has one (labels, buttons, pop-ups).
  virtual std::optional<Size> intrinsicContentSize() const { return std::nullopt; }

  // The host of the tree this view belongs to (a window or an alert), if any.
  ViewHost* host() const;
  // Makes this view the root of a host's tree (or detaches it with nullptr).
  void setHost(ViewHost* host);

  // Responder behaviour. By default a view takes no focus and ignores the mouse and keys.
  virtual bool acceptsFirstResponder() const { return false; }
  virtual bool becomeFirstResponder() { return true; }
  virtual bool resignFirstResponder() { return true; }
  virtual void mouseDown() {}
  virtual void keyDown(const KeyEvent& /*event*/) {}

  // The first view in this tree (depth first, this view included) whose identifier equals name, or
  // failing that whose title or text does.
  View* findView(const std::string& name);

  // The view and its subtree as the desktop shows it: identifier, kind, frame, hidden, alpha,
  // layer, the kind's own properties (text, title, state, items, ...) and subviews.
  ViewRecord describe() const;

  // A short name of the kind of view ("view", "label", "button", ...).
  virtual std::string kind() const { return "view"; }
  // The text a driver may address the view by besides its identifier (a button's title, a label's
  // text); empty when it has none.
  virtual std::string addressableText() const { return {}; }

 protected:
  // Adds the kind's own properties to a description.
  virtual void describeProperties(ViewRecord& /*description*/) const {}
  // Tells the host that something in the tree changed.
  void changed() const;

 private:
  Rect frame_;
  std::vector<std::shared_ptr<View>> subviews_;
  View* superview_ = nullptr;
  ViewHost* host_ = nullptr;
  bool hidden_ = false;
  double alpha_ = 1.0;
  std::uint32_t autoresizingMask_ = autoresizing::none;
  std::string identifier_;
  std::optional<Layer> layer_;
  bool translatesMask_ = true;
  std::optional<double> widthConstraint_;
  std::optional<double> heightConstraint_;
};

}  // namespace platform
