#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/Appearance.h"
#include "platform/DesktopRecords.h"
#include "platform/Geometry.h"
#include "platform/InterfaceRecords.h"

namespace platform {

// What the screen shows, as the desktop draws it and finds what a click reaches.
struct ScreenScene {
  ScreenDescription screen;  // the main screen: its frame and backing scale
  ScreenContents contents;
  std::vector<NotificationRecord> notifications;
  // The active application: its windows are in front of every other program's.
  std::optional<std::string> frontmostApplication;
  std::optional<OpenMenu> openMenu;
  friend bool operator==(const ScreenScene&, const ScreenScene&) = default;
};

// The sizes the screen's furniture has, in points.
namespace screenMetrics {
inline constexpr double menuBarHeight = 24;
inline constexpr double menuRow = 22;
inline constexpr double menuSeparator = 11;
inline constexpr double menuPadding = 5;
inline constexpr double windowLightRadius = 6;  // the close, minimize and zoom buttons
inline constexpr double alertMargin = 20;
inline constexpr double alertIcon = 64;
inline constexpr double alertButtonHeight = 24;
inline constexpr double bannerWidth = 344;
inline constexpr double bannerHeight = 68;
inline constexpr Font menuFont{13, FontWeight::regular};  // menu bar, menus, alert buttons
inline constexpr Font alertMessageFont{13, FontWeight::bold};
inline constexpr Font alertInformativeFont{11, FontWeight::regular};
}  // namespace screenMetrics

// What a menu shows right of an item for its key equivalent, as "⌃⌥⇧⌘Q".
std::string keyEquivalentText(const MenuItemRecord& item);

// Whether the point lies in the rectangle (its left and top edges in, its right and bottom out).
bool contains(const Rect& rect, Point point);

struct PlacedStatusItem {
  const Shown<StatusItemRecord>* item = nullptr;
  Rect rect;
};

// A menu open on the screen: a status item's, or a pop-up's entries with the chosen one checked.
struct PlacedMenu {
  OpenMenu owner;
  std::vector<MenuItemRecord> items;
  std::optional<std::size_t> checked;
  Rect anchor;             // the status item or pop-up it opened from
  Rect rect;               // the menu itself
  std::vector<Rect> rows;  // one per item, separators included
};

struct PlacedWindow {
  const Shown<WindowRecord>* window = nullptr;
  Rect rect;
  double titleBar = 0;  // the title bar's height; 0 when the content fills the window
  double contentHeight = 0;
  Point closeButton;  // the centre of the first of the three buttons, 20 points apart
};

struct PlacedAlert {
  const Shown<AlertRecord>* alert = nullptr;
  Rect rect;
  Rect icon;
  double messageTop = 0;
  std::vector<std::string> messageLines;
  double informativeTop = 0;
  std::vector<std::string> informativeLines;
  Point accessoryOrigin;      // the top left of the space the accessory's frame is in
  std::vector<Rect> buttons;  // as the alert lists them, the first the rightmost
};

// Where a view of a tree is on the screen.
struct PlacedView {
  const ViewRecord* view = nullptr;
  Rect rect;
};

// Where everything on the screen is, in points from the main screen's top left: the desktop draws
// the screen from it and tests a click against it, so what a click reaches is what the picture
// shows there.
struct ScreenLayout {
  double width = 0;  // of the main screen
  double height = 0;
  double left = 0;  // the main screen's top left in global coordinates (origin at the bottom left)
  double top = 0;
  std::vector<PlacedStatusItem> statusItems;  // the first the rightmost
  std::vector<PlacedWindow> windows;          // back to front
  std::vector<PlacedAlert> alerts;            // as the contents list them
  std::vector<Rect> banners;                  // one per notification
  std::optional<PlacedMenu> menu;             // none when the scene's open menu is not shown

  static ScreenLayout of(const ScreenScene& scene);
  Rect fromGlobal(const Rect& frame) const;
  // The views of the key window or the frontmost alert of `application`, where the pop-up called
  // `identifier` is, if it is shown there.
  std::optional<PlacedView> popUp(const std::string& application,
                                  const std::string& identifier) const;
  // Where the topmost thing called `target` is: an entry of the open menu, a status item (by its
  // title or its program's bundle identifier), an alert's button, or a view (see viewMatches) of an
  // alert or a window.
  std::optional<Rect> locate(const std::string& target) const;
};

// The shown views of a tree from its root down to the deepest one that holds the point, the root's
// frame being in a space whose top left is `origin` and which is `height` points high (frames count
// y upwards). Empty when the root does not hold the point.
std::vector<PlacedView> viewsAt(const ViewRecord& root, Point origin, double height, Point point);

}  // namespace platform
