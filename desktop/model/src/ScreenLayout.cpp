#include "model/ScreenLayout.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <ranges>
#include <utility>

#include "model/InterfaceQueries.h"
#include "platform/TextMetrics.h"

namespace platform {
namespace {

using namespace screenMetrics;

// The status items from the right edge of the menu bar leftwards, the first the rightmost.
std::vector<PlacedStatusItem> placeStatusItems(const ScreenContents& contents, double width) {
  std::vector<PlacedStatusItem> placed;
  double right = width - 12;
  for (const auto& shown : contents.statusItems) {
    const auto& item = shown.element;
    double itemWidth = item.length;
    if (itemWidth <= 0) {
      itemWidth = (item.image ? 18 : 0) + textWidth(item.title, menuFont) + 12;
    }
    placed.push_back({&shown, {right - itemWidth, 0, itemWidth, menuBarHeight}});
    right -= itemWidth + 4;
  }
  return placed;
}

// A menu's rows from `top` down, and its size: wide enough for its titles and key equivalents.
PlacedMenu placeMenuRows(PlacedMenu menu, double minimumWidth) {
  double titles = 0;
  double keys = 0;
  double height = 2 * menuPadding;
  for (const auto& item : menu.items) {
    height += item.separator ? menuSeparator : menuRow;
    titles = std::max(titles, textWidth(item.title, menuFont));
    keys = std::max(keys, textWidth(keyEquivalentText(item), menuFont));
  }
  menu.rect.width = std::max(minimumWidth, 20 + titles + (keys > 0 ? 28 + keys : 0) + 16);
  menu.rect.height = height;
  return menu;
}

void placeRows(PlacedMenu& menu) {
  double y = menu.rect.y + menuPadding;
  for (const auto& item : menu.items) {
    const double rowHeight = item.separator ? menuSeparator : menuRow;
    menu.rows.push_back({menu.rect.x, y, menu.rect.width, rowHeight});
    y += rowHeight;
  }
}

// A status item's menu hangs under the menu bar from its item, kept on the screen.
PlacedMenu placeStatusMenu(const OpenMenu& owner, const std::vector<MenuItemRecord>& items,
                           const Rect& anchor, double screenWidth) {
  PlacedMenu menu = placeMenuRows({owner, items, std::nullopt, anchor, {}, {}}, 180);
  menu.rect.x = std::clamp(anchor.x, 4.0, std::max(4.0, screenWidth - menu.rect.width - 4));
  menu.rect.y = menuBarHeight + 2;
  placeRows(menu);
  return menu;
}

// A pop-up's entries drop from under it, or rise above it when the screen ends first.
PlacedMenu placePopUpMenu(const OpenMenu& owner, const PopUpRecord& popUp, const Rect& anchor,
                          const ScreenLayout& layout) {
  std::vector<MenuItemRecord> items;
  for (const std::string& title : popUp.items) {
    MenuItemRecord item;
    item.title = title;
    items.push_back(std::move(item));
  }
  std::optional<std::size_t> checked;
  if (popUp.selectedIndex >= 0) {
    checked = static_cast<std::size_t>(popUp.selectedIndex);
  }
  PlacedMenu menu = placeMenuRows({owner, std::move(items), checked, anchor, {}, {}}, anchor.width);
  menu.rect.x = std::clamp(anchor.x, 4.0, std::max(4.0, layout.width - menu.rect.width - 4));
  menu.rect.y = anchor.maxY() + 2;
  if (menu.rect.maxY() > layout.height && anchor.y - 2 - menu.rect.height >= menuBarHeight) {
    menu.rect.y = anchor.y - 2 - menu.rect.height;
  }
  placeRows(menu);
  return menu;
}

// The windows back to front: the other programs' windows, then the active program's, each
// program's as it published them with its key window last.
std::vector<const Shown<WindowRecord>*> windowOrder(const ScreenScene& scene) {
  std::vector<const Shown<WindowRecord>*> order;
  for (const bool active : {false, true}) {
    for (const bool key : {false, true}) {
      for (const auto& shown : scene.contents.windows) {
        const bool isActive = shown.application == scene.frontmostApplication;
        if (shown.element.visible && isActive == active && shown.element.key == key) {
          order.push_back(&shown);
        }
      }
    }
  }
  return order;
}

PlacedWindow placeWindow(const Shown<WindowRecord>& shown, const Rect& rect) {
  const WindowRecord& window = shown.element;
  const double contentHeight =
      window.contentView ? std::min(window.contentView->frame.height, rect.height) : rect.height;
  const double titleBar = rect.height - contentHeight;
  return {&shown,
          rect,
          titleBar,
          contentHeight,
          {rect.x + 14, rect.y + std::min(14.0, std::max(titleBar, 28.0) / 2)}};
}

// An alert in the upper part of the screen, its icon, texts, accessory and buttons in a column.
PlacedAlert placeAlert(const Shown<AlertRecord>& shown, const ScreenLayout& layout) {
  const AlertRecord& alert = shown.element;
  PlacedAlert placed;
  placed.alert = &shown;
  const double top = menuBarHeight + ((layout.height - menuBarHeight - alert.size.height) * 0.3);
  placed.rect = {(layout.width - alert.size.width) / 2, std::max(menuBarHeight + 8, top),
                 alert.size.width, alert.size.height};
  const double column = placed.rect.width - (2 * alertMargin);
  const double left = placed.rect.x + alertMargin;
  double y = placed.rect.y + alertMargin;
  placed.icon = {left, y, alertIcon, alertIcon};
  y += alertIcon + 12;
  placed.messageTop = y;
  placed.messageLines = wrappedLines(alert.messageText, alertMessageFont, column);
  y += static_cast<double>(placed.messageLines.size()) * lineHeight(alertMessageFont);
  if (!alert.informativeText.empty()) {
    y += 6;
    placed.informativeTop = y;
    placed.informativeLines = wrappedLines(alert.informativeText, alertInformativeFont, column);
    y += static_cast<double>(placed.informativeLines.size()) * lineHeight(alertInformativeFont);
  }
  placed.accessoryOrigin = {left, y + 12};
  double right = placed.rect.maxX() - alertMargin;
  const double buttonsTop = placed.rect.maxY() - alertMargin - alertButtonHeight;
  for (const std::string& title : alert.buttons) {
    const double width = std::max(76.0, std::ceil(textWidth(title, menuFont)) + 28);
    placed.buttons.push_back({right - width, buttonsTop, width, alertButtonHeight});
    right -= width + 12;
  }
  return placed;
}

// Where a view is on the screen, its frame being in a space whose top left is `origin` and which is
// `height` points high.
Rect placeIn(const ViewRecord& view, Point origin, double height) {
  return {origin.x + view.frame.x, origin.y + height - view.frame.maxY(), view.frame.width,
          view.frame.height};
}

// Where the first shown view of a tree, depth first, that satisfies `matches` is.
std::optional<PlacedView> findPlaced(const ViewRecord& view, Point origin, double height,
                                     const std::function<bool(const ViewRecord&)>& matches) {
  if (view.hidden || view.alpha <= 0) {
    return std::nullopt;
  }
  const Rect rect = placeIn(view, origin, height);
  if (matches(view)) {
    return PlacedView{&view, rect};
  }
  for (const ViewRecord& subview : view.subviews) {
    if (auto found = findPlaced(subview, {rect.x, rect.y}, view.frame.height, matches)) {
      return found;
    }
  }
  return std::nullopt;
}

std::optional<PlacedView> findIn(const PlacedAlert& alert,
                                 const std::function<bool(const ViewRecord&)>& matches) {
  const auto& accessory = alert.alert->element.accessory;
  return accessory ? findPlaced(*accessory, alert.accessoryOrigin, accessory->frame.maxY(), matches)
                   : std::nullopt;
}

std::optional<PlacedView> findIn(const PlacedWindow& window,
                                 const std::function<bool(const ViewRecord&)>& matches) {
  const auto& content = window.window->element.contentView;
  return content ? findPlaced(*content, {window.rect.x, window.rect.y + window.titleBar},
                              window.contentHeight, matches)
                 : std::nullopt;
}

}  // namespace

std::string keyEquivalentText(const MenuItemRecord& item) {
  if (item.keyEquivalent.empty()) {
    return {};
  }
  std::string text;
  for (const auto& [name, glyph] : {std::pair{"control", "⌃"}, std::pair{"option", "⌥"},
                                    std::pair{"shift", "⇧"}, std::pair{"command", "⌘"}}) {
    if (std::ranges::find(item.modifiers, name) != item.modifiers.end()) {
      text += glyph;
    }
  }
  std::string key = item.keyEquivalent;
  if (key.size() == 1) {
    key[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(key[0])));
  }
  return text + key;
}

bool contains(const Rect& rect, Point point) {
  return point.x >= rect.x && point.x < rect.maxX() && point.y >= rect.y && point.y < rect.maxY();
}

Rect ScreenLayout::fromGlobal(const Rect& frame) const {
  return {frame.x - left, top - frame.maxY(), frame.width, frame.height};
}

ScreenLayout ScreenLayout::of(const ScreenScene& scene) {
  ScreenLayout layout;
  const Rect& frame = scene.screen.frame;
  layout.width = frame.width;
  layout.height = frame.height;
  layout.left = frame.x;
  layout.top = frame.maxY();
  layout.statusItems = placeStatusItems(scene.contents, layout.width);
  for (const auto* shown : windowOrder(scene)) {
    layout.windows.push_back(placeWindow(*shown, layout.fromGlobal(shown->element.frame)));
  }
  for (const auto& shown : scene.contents.alerts) {
    layout.alerts.push_back(placeAlert(shown, layout));
  }
  double bannerTop = menuBarHeight + 10;
  for (std::size_t index = 0; index < scene.notifications.size(); ++index) {
    layout.banners.push_back(
        {layout.width - bannerWidth - 14, bannerTop, bannerWidth, bannerHeight});
    bannerTop += bannerHeight + 10;
  }
  if (const auto& open = scene.openMenu; open && open->popUp) {
    if (const auto popUp = layout.popUp(open->application, *open->popUp)) {
      if (const auto& entries = popUp->view->popUp) {
        layout.menu = placePopUpMenu(*open, *entries, popUp->rect, layout);
      }
    }
  } else if (open) {
    for (const auto& [shown, rect] : layout.statusItems) {
      if (const auto& menu = shown->element.menu; shown->application == open->application && menu) {
        layout.menu = placeStatusMenu(*open, *menu, rect, layout.width);
        break;
      }
    }
  }
  return layout;
}

std::optional<PlacedView> ScreenLayout::popUp(const std::string& application,
                                              const std::string& identifier) const {
  // While a program shows an alert, only the alert takes the user's hands.
  for (const PlacedAlert& alert : alerts | std::views::reverse) {
    if (alert.alert->application == application) {
      return findIn(alert, [&](const ViewRecord& view) {
        return view.identifier == identifier && view.popUp.has_value();
      });
    }
  }
  for (const PlacedWindow& window : windows | std::views::reverse) {
    if (window.window->application == application && window.window->element.key) {
      return findIn(window, [&](const ViewRecord& view) {
        return view.identifier == identifier && view.popUp.has_value();
      });
    }
  }
  return std::nullopt;
}

std::optional<Rect> ScreenLayout::locate(const std::string& target) const {
  if (menu) {
    for (std::size_t index = 0; index < menu->items.size(); ++index) {
      if (!menu->items[index].separator && menu->items[index].title == target) {
        return menu->rows[index];
      }
    }
  }
  for (const auto& [item, rect] : statusItems) {
    if (item->application == target || item->element.title == target) {
      return rect;
    }
  }
  const auto matches = [&](const ViewRecord& view) { return viewMatches(view, target); };
  for (const PlacedAlert& alert : alerts | std::views::reverse) {
    const auto& titles = alert.alert->element.buttons;
    if (const auto button = std::ranges::find(titles, target); button != titles.end()) {
      return alert.buttons[static_cast<std::size_t>(button - titles.begin())];
    }
    if (const auto found = findIn(alert, matches)) {
      return found->rect;
    }
  }
  for (const PlacedWindow& window : windows | std::views::reverse) {
    if (const auto found = findIn(window, matches)) {
      return found->rect;
    }
  }
  return std::nullopt;
}

std::vector<PlacedView> viewsAt(const ViewRecord& root, Point origin, double height, Point point) {
  const auto holds = [&](const ViewRecord& view, const Rect& rect) {
    return !view.hidden && view.alpha > 0 && contains(rect, point);
  };
  std::vector<PlacedView> chain;
  const Rect rootRect = placeIn(root, origin, height);
  if (!holds(root, rootRect)) {
    return chain;
  }
  chain.push_back({&root, rootRect});
  for (;;) {
    const PlacedView parent = chain.back();
    const Point parentOrigin{parent.rect.x, parent.rect.y};
    // The topmost subview first: later subviews are drawn over earlier ones.
    const auto subviews = parent.view->subviews | std::views::reverse;
    const auto hit = std::ranges::find_if(subviews, [&](const ViewRecord& subview) {
      return holds(subview, placeIn(subview, parentOrigin, parent.view->frame.height));
    });
    if (hit == subviews.end()) {
      return chain;
    }
    chain.push_back({&*hit, placeIn(*hit, parentOrigin, parent.view->frame.height)});
  }
}

}  // namespace platform
