#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/ScreenLayout.h"
#include "platform/DesktopRecords.h"
#include "platform/Error.h"
#include "platform/Geometry.h"
#include "platform/InterfaceRecords.h"

namespace desktop {

using ScreenScene = platform::ScreenScene;

// The whole screen, or only one window or alert; with a status item's menu opened under it instead
// of the menu the scene has open; at a backing scale other than the screen's.
struct PictureOptions {
  std::optional<std::string> window;  // a window's title, or an alert's message text
  std::optional<std::string> menu;    // the bundle identifier of the status item's program
  std::optional<double> scale;        // pixels per point
};

// The screen drawn in light appearance at its backing scale: the desktop, the menu bar with the
// status items, the visible windows back to front, the alerts, the notification banners and the
// open menu, each where the screen's layout (ScreenLayout) places it. Text
// is set in a real font, fitted to the widths the platform's text model gives, so the picture
// shows the layout the programs computed, overlaps and cut-off text included. A picture cropped to
// a window or a menu keeps a margin round it for the shadow.
class ScreenPicture {
 public:
  // Fails, with a sentence for the user, when the window or menu asked for is not on screen.
  static platform::Result<ScreenPicture> draw(const ScreenScene& scene,
                                              const PictureOptions& options);

  int width() const { return width_; }
  int height() const { return height_; }
  // The pixel at column x and row y from the top left, as 0xRRGGBB (the picture is opaque).
  std::uint32_t pixel(int x, int y) const;
  // Where a point of the screen's global coordinates (origin at the bottom left) lies in the
  // picture, in pixels from the top left.
  platform::Point pixelOf(platform::Point global) const;

  // The picture as a PNG file's bytes: the same picture gives the same bytes.
  std::string png() const;

 private:
  ScreenPicture(int width, int height, platform::Point origin, double scale,
                platform::Point screenTopLeft);

  int width_;
  int height_;
  platform::Point origin_;  // the picture's top left, in points from the screen's top left
  double scale_;
  platform::Point screenTopLeft_;            // in global coordinates
  std::unique_ptr<std::uint32_t[]> pixels_;  // rows top to bottom, 0x00RRGGBB
};

}  // namespace desktop
