#include "model/ScreenHit.h"

#include <algorithm>
#include <cmath>
#include <ranges>
#include <vector>

#include "model/InterfaceQueries.h"

namespace platform {
namespace {

using Kind = ScreenHit::Kind;

// Style mask bit of a window's close button.
constexpr std::uint32_t closable = 1U << 1U;

// The control a click on the deepest of `chain` reaches: it or the nearest enclosing view that
// takes clicks (a control, not a label). The program finds it again by the target it is given, so
// a control that its target does not address alone takes nothing.
ScreenHit controlHit(const std::vector<PlacedView>& chain, const ViewRecord& root,
                     const std::string& application) {
  const auto taking =
      std::ranges::find_if(chain | std::views::reverse, [](const PlacedView& placed) {
        return placed.view->control.has_value() && placed.view->kind != "label";
      });
  if (taking == std::ranges::rend(chain)) {
    return {};
  }
  const ViewRecord& view = *taking->view;
  if (const auto& control = view.control; !control || !control->enabled) {
    return {};
  }
  if (view.popUp) {
    return view.identifier.empty() ? ScreenHit{}
                                   : ScreenHit{Kind::popUp, application, view.identifier};
  }
  std::string target = view.identifier;
  if (target.empty() && view.button) {
    target = view.button->title;
  }
  if (target.empty() || findView(root, [&](const ViewRecord& candidate) {
                          return viewMatches(candidate, target);
                        }) != &view) {
    return {};
  }
  return {Kind::control, application, target};
}

ScreenHit alertHit(const PlacedAlert& placed, Point point) {
  const Shown<AlertRecord>& shown = *placed.alert;
  for (std::size_t index = 0; index < placed.buttons.size(); ++index) {
    if (contains(placed.buttons[index], point)) {
      return {Kind::control, shown.application, shown.element.buttons[index]};
    }
  }
  if (const auto& accessory = shown.element.accessory) {
    return controlHit(viewsAt(*accessory, placed.accessoryOrigin, accessory->frame.maxY(), point),
                      *accessory, shown.application);
  }
  return {};
}

ScreenHit windowHit(const ScreenScene& scene, const PlacedWindow& placed, Point point) {
  const Shown<WindowRecord>& shown = *placed.window;
  const WindowRecord& window = shown.element;
  if (shown.application != scene.frontmostApplication || !window.key) {
    return {Kind::window, shown.application, {}};
  }
  if ((window.styleMask & closable) != 0 &&
      std::hypot(point.x - placed.closeButton.x, point.y - placed.closeButton.y) <=
          screenMetrics::windowLightRadius) {
    return {Kind::closeButton, shown.application, window.title};
  }
  if (!window.contentView) {
    return {};
  }
  return controlHit(viewsAt(*window.contentView, {placed.rect.x, placed.rect.y + placed.titleBar},
                            placed.contentHeight, point),
                    *window.contentView, shown.application);
}

}  // namespace

ScreenHit ScreenHit::at(const ScreenScene& scene, const ScreenLayout& layout, Point point) {
  // An open menu is over everything; a click anywhere else closes it and reaches nothing more.
  if (const auto& menu = layout.menu) {
    for (std::size_t index = 0; index < menu->rows.size(); ++index) {
      const MenuItemRecord& item = menu->items[index];
      if (contains(menu->rows[index], point) && !item.separator && item.enabled) {
        return {Kind::menuItem, menu->owner.application, item.title};
      }
    }
    return {Kind::closeMenu, menu->owner.application, {}};
  }
  if (point.y >= 0 && point.y < screenMetrics::menuBarHeight) {
    for (const auto& [item, rect] : layout.statusItems) {
      if (contains(rect, point) && item->element.menu) {
        return {Kind::statusItem, item->application, {}};
      }
    }
    return {};
  }
  if (std::ranges::any_of(layout.banners,
                          [&](const Rect& banner) { return contains(banner, point); })) {
    return {};
  }
  // Alerts are drawn over the windows, the last over the others.
  for (const auto& alert : layout.alerts | std::views::reverse) {
    if (contains(alert.rect, point)) {
      return alertHit(alert, point);
    }
  }
  for (const auto& window : layout.windows | std::views::reverse) {
    if (!contains(window.rect, point)) {
      continue;
    }
    // A program's alert is modal: its windows take nothing while it is up.
    const bool behindAlert = std::ranges::any_of(layout.alerts, [&](const PlacedAlert& alert) {
      return alert.alert->application == window.window->application;
    });
    return behindAlert ? ScreenHit{} : windowHit(scene, window, point);
  }
  return {};
}

}  // namespace platform
