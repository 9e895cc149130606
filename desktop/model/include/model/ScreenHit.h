#pragma once

#include <string>

#include "model/ScreenLayout.h"
#include "platform/Geometry.h"

namespace platform {

// What a click at a point of the screen reaches, found in the layout the screen is drawn from:
// the topmost thing there, as the picture shows it.
struct ScreenHit {
  enum class Kind {
    nothing,      // the desktop, the menu bar, a banner, a label, a disabled control, a window
                  // behind its program's alert, an alert's empty space
    closeMenu,    // anywhere outside the open menu, or one of its disabled entries: it closes
    statusItem,   // a status item with a menu: it opens (or closes when it is the one open)
    menuItem,     // an enabled entry of the open menu: `target` is its title
    window,       // a window that is not the active program's key window: it comes to the front
    closeButton,  // the key window's close button: `target` is the window's title
    control,      // an enabled control of the key window or the alert: `target` addresses it
    popUp,        // an enabled pop-up: its entries open; `target` is its identifier
  };
  Kind kind = Kind::nothing;
  std::string application;  // the bundle identifier of the program that shows what was hit
  std::string target;

  static ScreenHit at(const ScreenScene& scene, const ScreenLayout& layout, Point point);
};

}  // namespace platform
