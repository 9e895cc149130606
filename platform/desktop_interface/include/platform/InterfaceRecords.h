#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Appearance.h"
#include "platform/Geometry.h"

namespace platform {

// What a program shows, as it publishes it to the desktop: plain records that the desktop reads to
// find what the user points at, to print the screen and to draw it. Names of styles and modes are
// the texts the desktop prints ("checkbox", "center", ...).

// An image: a named system symbol, or a picture file with its size in points.
struct ImageRecord {
  std::optional<std::string> symbol;
  std::optional<std::string> accessibilityDescription;  // symbols only
  std::string file;                                     // files only
  Size size;                                            // files only
  bool isTemplate = false;
  friend bool operator==(const ImageRecord&, const ImageRecord&) = default;
};

// The backing layer of a layer-backed view.
struct LayerRecord {
  double cornerRadius = 0;
  double borderWidth = 0;
  std::optional<Color> borderColor;
  std::optional<Color> backgroundColor;
  bool masksToBounds = false;
  std::optional<ImageRecord> contents;
  std::string contentsGravity = "resize";  // "resizeAspect", "resizeAspectFill", "center"
  double contentsScale = 1.0;
  friend bool operator==(const LayerRecord&, const LayerRecord&) = default;
};

// The properties a kind of view adds; a view carries those of its kind and of its base kinds.
struct ControlRecord {
  bool enabled = true;
  Font font;
  friend bool operator==(const ControlRecord&, const ControlRecord&) = default;
};

struct LabelRecord {
  std::string text;
  Font font;
  Color textColor;
  std::string alignment;           // "left", "center", "right", "natural"
  std::vector<std::string> lines;  // the text as laid out in the label's width
  friend bool operator==(const LabelRecord&, const LabelRecord&) = default;
};

struct ButtonRecord {
  std::string title;
  std::string type;   // "push", "checkbox"
  std::string state;  // "on", "off", "mixed"
  std::string keyEquivalent;
  std::string bezel;  // "rounded", "regularSquare"
  friend bool operator==(const ButtonRecord&, const ButtonRecord&) = default;
};

struct PopUpRecord {
  std::vector<std::string> items;
  int selectedIndex = -1;
  friend bool operator==(const PopUpRecord&, const PopUpRecord&) = default;
};

struct ImageViewRecord {
  std::optional<ImageRecord> image;
  std::string imageScaling;
  friend bool operator==(const ImageViewRecord&, const ImageViewRecord&) = default;
};

struct ProgressRecord {
  std::string style;  // "bar", "spinning"
  bool indeterminate = false;
  double minValue = 0;
  double maxValue = 100;
  double doubleValue = 0;
  std::string controlSize;  // "regular", "small"
  bool animating = false;
  friend bool operator==(const ProgressRecord&, const ProgressRecord&) = default;
};

struct StackRecord {
  std::string orientation;  // "horizontal", "vertical"
  std::string alignment;
  double spacing = 0;
  friend bool operator==(const StackRecord&, const StackRecord&) = default;
};

struct VisualEffectRecord {
  int material = 0;
  int blendingMode = 0;
  int state = 0;
  friend bool operator==(const VisualEffectRecord&, const VisualEffectRecord&) = default;
};

// A view and its subviews (bottom to top). `frame` is in the superview's coordinates.
struct ViewRecord {
  std::string identifier;
  std::string kind;  // "view", "label", "button", "popUpButton", ...
  Rect frame;
  bool hidden = false;
  double alpha = 1.0;
  std::optional<LayerRecord> layer;
  std::optional<ControlRecord> control;
  std::optional<LabelRecord> label;
  std::optional<ButtonRecord> button;
  std::optional<PopUpRecord> popUp;
  std::optional<ImageViewRecord> imageView;
  std::optional<ProgressRecord> progress;
  std::optional<StackRecord> stack;
  std::optional<VisualEffectRecord> visualEffect;
  std::vector<ViewRecord> subviews;
  friend bool operator==(const ViewRecord&, const ViewRecord&) = default;
};

struct WindowRecord {
  std::string title;
  Rect frame;
  std::uint32_t styleMask = 0;
  int level = 0;
  bool visible = false;
  bool key = false;
  std::string titleVisibility = "visible";  // "hidden"
  int toolbarStyle = 0;
  Color backgroundColor;
  bool opaque = true;
  bool titlebarAppearsTransparent = false;
  std::optional<ViewRecord> contentView;
  std::optional<std::string> firstResponder;  // the identifier of the focused view
  friend bool operator==(const WindowRecord&, const WindowRecord&) = default;
};

struct AlertRecord {
  std::string style;  // "warning", "informational", "critical"
  std::string messageText;
  std::string informativeText;
  std::vector<std::string> buttons;  // titles, first to last
  std::optional<ViewRecord> accessory;
  Size size;
  int layoutCount = 0;
  friend bool operator==(const AlertRecord&, const AlertRecord&) = default;
};

struct MenuItemRecord {
  bool separator = false;
  std::string title;
  std::string keyEquivalent;
  std::vector<std::string> modifiers;  // "control", "option", "shift", "command"
  bool enabled = true;
  bool hasAction = false;
  std::optional<std::string> representedObject;
  friend bool operator==(const MenuItemRecord&, const MenuItemRecord&) = default;
};

struct StatusItemRecord {
  double length = 0;
  std::string title;
  std::optional<ImageRecord> image;
  int imagePosition = 0;
  std::string toolTip;
  std::optional<std::vector<MenuItemRecord>> menu;
  friend bool operator==(const StatusItemRecord&, const StatusItemRecord&) = default;
};

// Everything one program shows.
struct InterfaceRecord {
  std::vector<StatusItemRecord> statusItems;
  std::vector<WindowRecord> windows;
  std::vector<AlertRecord> alerts;  // modal alerts, the frontmost last
  friend bool operator==(const InterfaceRecord&, const InterfaceRecord&) = default;
};

// Something on the screen with the bundle identifier of the application that shows it.
template <typename Element>
struct Shown {
  std::string application;
  Element element;
  friend bool operator==(const Shown&, const Shown&) = default;
};

// Everything on the screen: what every program shows (windows only when visible).
struct ScreenContents {
  std::vector<Shown<StatusItemRecord>> statusItems;
  std::vector<Shown<WindowRecord>> windows;
  std::vector<Shown<AlertRecord>> alerts;
  friend bool operator==(const ScreenContents&, const ScreenContents&) = default;
};

// A menu the user opened on the screen: a program's status item menu, or the entries of one of its
// pop-ups (named by its identifier) in its key window or frontmost alert.
struct OpenMenu {
  std::string application;           // the bundle identifier of the program that shows it
  std::optional<std::string> popUp;  // none: the status item's menu
  friend bool operator==(const OpenMenu&, const OpenMenu&) = default;
};

// The user's hands on a program's interface, as the desktop hands them to it.
struct UserInput {
  enum class Action {
    click,    // press a button of the frontmost alert or the key window, or mouse-down on a view
    select,   // choose `item` in a pop-up (the one called `in`, when given)
    key,      // key-down of keyCode with modifiers to the key window's focused view
    menu,     // choose `item` of the status item's menu
    dismiss,  // close the frontmost alert without a button (Escape)
    close,    // close the window titled `window`
  };
  Action action = Action::click;
  std::string target;  // click: identifier or title
  std::string item;    // select, menu
  std::optional<std::string> in;
  std::uint16_t keyCode = 0;
  std::uint32_t modifiers = 0;
  std::string window;  // close
  friend bool operator==(const UserInput&, const UserInput&) = default;
};

}  // namespace platform
