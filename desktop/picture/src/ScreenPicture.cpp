#include "picture/ScreenPicture.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <utility>

#include "Canvas.h"
#include "PngEncoder.h"
#include "Symbols.h"
#include "ViewPainter.h"
#include "platform/TextMetrics.h"

namespace desktop {
namespace {

using platform::Font;
using platform::FontWeight;
using platform::Rect;

constexpr double cropMargin = 24;  // room round a cropped window for its shadow

using platform::PlacedAlert;
using platform::PlacedMenu;
using platform::PlacedWindow;
using platform::ScreenLayout;
using namespace platform::screenMetrics;

Rect unite(const Rect& a, const Rect& b) {
  const double x = std::min(a.x, b.x);
  const double y = std::min(a.y, b.y);
  return {x, y, std::max(a.maxX(), b.maxX()) - x, std::max(a.maxY(), b.maxY()) - y};
}

Rect grown(const Rect& rect, double by) {
  return {rect.x - by, rect.y - by, rect.width + (2 * by), rect.height + (2 * by)};
}

// --- the desktop and the menu bar

// The desktop picture: a gradient in three colours from left to right. It is written straight
// into the pixels before anything is drawn, one row computed and copied down: far cheaper than a
// cairo gradient over the whole screen, and rows that repeat compress to almost nothing.
void fillBackground(std::uint32_t* pixels, int width, int height, const Rect& crop, double scale,
                    const ScreenLayout& layout) {
  struct Stop {
    double at;
    double red;
    double green;
    double blue;
  };
  constexpr Stop left{0, 0.45, 0.62, 0.86};
  constexpr Stop middle{0.55, 0.62, 0.55, 0.84};
  constexpr Stop right{1, 0.9, 0.62, 0.7};
  const auto byte = [](double from, double to, double mix) {
    return static_cast<std::uint32_t>(std::lround((from + ((to - from) * mix)) * 255));
  };
  const auto columns = static_cast<std::size_t>(width);
  for (std::size_t column = 0; column < columns; ++column) {
    const double x = crop.x + ((static_cast<double>(column) + 0.5) / scale);
    const double at = std::clamp(x / layout.width, 0.0, 1.0);
    const Stop& from = at < middle.at ? left : middle;
    const Stop& to = at < middle.at ? middle : right;
    const double mix = (at - from.at) / (to.at - from.at);
    pixels[column] = (byte(from.red, to.red, mix) << 16U) |
                     (byte(from.green, to.green, mix) << 8U) | byte(from.blue, to.blue, mix);
  }
  for (std::size_t row = 1; row < static_cast<std::size_t>(height); ++row) {
    std::copy_n(pixels, columns, pixels + (row * columns));
  }
}

void drawMenuBar(const Canvas& canvas, const ScreenLayout& layout) {
  const std::optional<PlacedMenu>& menu = layout.menu;
  cairo_t* cairo = canvas.cairo();
  cairo_rectangle(cairo, 0, 0, layout.width, menuBarHeight);
  canvas.fill({0.97, 0.97, 0.98, 0.8});
  cairo_rectangle(cairo, 0, menuBarHeight - 0.5, layout.width, 0.5);
  canvas.fill({0, 0, 0, 0.12});
  for (const auto& [shown, rect] : layout.statusItems) {
    if (menu && !menu->owner.popUp && shown->application == menu->owner.application) {
      canvas.roundedRectangle({rect.x, 3, rect.width, menuBarHeight - 6}, 4);
      canvas.fill({0, 0, 0, 0.1});
    }
    const auto& item = shown->element;
    double x = rect.x + 6;
    if (item.image) {
      drawImage(canvas, *item.image, {x, (menuBarHeight - 16) / 2, 16, 16});
      x += 18;
    }
    canvas.text(item.title, menuFont, roleColor("labelColor"), x,
                (menuBarHeight - platform::lineHeight(menuFont)) / 2, rect.maxX() - x,
                TextAlign::left);
  }
}

// --- menus

void drawMenu(const Canvas& canvas, const PlacedMenu& menu) {
  cairo_t* cairo = canvas.cairo();
  const Rect& rect = menu.rect;
  canvas.shadow(rect, 8, 10, 0.18);
  canvas.roundedRectangle(rect, 8);
  canvas.fillPreserve({0.97, 0.97, 0.97, 1});
  canvas.stroke({0, 0, 0, 0.12}, 0.5);
  for (std::size_t index = 0; index < menu.items.size(); ++index) {
    const platform::MenuItemRecord& item = menu.items[index];
    const Rect& row = menu.rows[index];
    if (item.separator) {
      cairo_rectangle(cairo, rect.x + 10, row.y + (menuSeparator / 2) - 0.5, rect.width - 20, 1);
      canvas.fill({0, 0, 0, 0.1});
      continue;
    }
    const Rgba color = roleColor(item.enabled ? "labelColor" : "tertiaryLabelColor");
    const double top = row.y + ((menuRow - platform::lineHeight(menuFont)) / 2);
    if (menu.checked == index) {
      canvas.text("✓", menuFont, color, rect.x + 6, top, 14, TextAlign::left);
    }
    canvas.text(item.title, menuFont, color, rect.x + 20, top, rect.width - 40, TextAlign::left);
    canvas.text(platform::keyEquivalentText(item), menuFont,
                item.enabled ? roleColor("secondaryLabelColor") : color, rect.x + 20, top,
                rect.width - 36, TextAlign::right);
  }
}

// --- windows

// Style mask bits of the window's buttons.
constexpr std::uint32_t closable = 1U << 1U;
constexpr std::uint32_t miniaturizable = 1U << 2U;
constexpr std::uint32_t resizable = 1U << 3U;

void drawWindow(const Canvas& canvas, const PlacedWindow& placed) {
  const platform::WindowRecord& window = placed.window->element;
  const Rect& rect = placed.rect;
  cairo_t* cairo = canvas.cairo();
  constexpr double radius = 10;
  canvas.shadow(rect, radius, window.key ? 18 : 10, window.key ? 0.3 : 0.18);
  const SavedState saved(cairo);
  canvas.roundedRectangle(rect, radius);
  cairo_clip(cairo);
  cairo_rectangle(cairo, rect.x, rect.y, rect.width, rect.height);
  canvas.fill(window.backgroundColor.alpha > 0 ? rgbaOf(window.backgroundColor)
                                               : Rgba{0.93, 0.93, 0.94, 0.97});
  const double contentHeight = placed.contentHeight;
  const double titleBar = placed.titleBar;
  if (titleBar > 0 && !window.titlebarAppearsTransparent) {
    cairo_rectangle(cairo, rect.x, rect.y, rect.width, titleBar);
    canvas.fill({0.9, 0.9, 0.91, 1});
    cairo_rectangle(cairo, rect.x, rect.y + titleBar - 0.5, rect.width, 0.5);
    canvas.fill({0, 0, 0, 0.12});
  }
  if (window.contentView) {
    const SavedState content(cairo);
    cairo_translate(cairo, rect.x, rect.y + titleBar);
    drawView(canvas, *window.contentView, contentHeight);
  }
  const double lightsY = placed.closeButton.y;
  const std::array<std::pair<std::uint32_t, Rgba>, 3> lights{{
      {closable, {1, 0.37, 0.34, 1}},
      {miniaturizable, {1, 0.74, 0.18, 1}},
      {resizable, {0.16, 0.79, 0.25, 1}},
  }};
  double x = placed.closeButton.x;
  for (const auto& [bit, colour] : lights) {
    cairo_new_sub_path(cairo);
    cairo_arc(cairo, x, lightsY, windowLightRadius, 0, 2 * std::numbers::pi);
    const bool on = (window.styleMask & bit) != 0 && window.key;
    canvas.fillPreserve(on ? colour : Rgba{0.82, 0.82, 0.83, 1});
    canvas.stroke({0, 0, 0, 0.12}, 0.5);
    x += 20;
  }
  if (window.titleVisibility != "hidden") {
    const Font titleFont = Font::system(13, FontWeight::semibold);
    canvas.text(window.title, titleFont,
                roleColor(window.key ? "labelColor" : "secondaryLabelColor"), rect.x + 80,
                lightsY - (platform::lineHeight(titleFont) / 2), rect.width - 160,
                TextAlign::center);
  }
  canvas.roundedRectangle(grown(rect, -0.25), radius);
  canvas.stroke({0, 0, 0, 0.22}, 0.5);
}

// --- alerts

void drawAlert(const Canvas& canvas, const PlacedAlert& placed) {
  const platform::AlertRecord& alert = placed.alert->element;
  const Rect& rect = placed.rect;
  cairo_t* cairo = canvas.cairo();
  canvas.shadow(rect, 12, 20, 0.32);
  canvas.roundedRectangle(rect, 12);
  canvas.fillPreserve({0.95, 0.95, 0.96, 1});
  canvas.stroke({0, 0, 0, 0.2}, 0.5);
  const SavedState saved(cairo);
  canvas.roundedRectangle(rect, 12);
  cairo_clip(cairo);
  const double column = rect.width - (2 * alertMargin);
  const double left = placed.icon.x;
  drawAlertIcon(canvas, alert.style, placed.icon);
  double y = placed.messageTop;
  for (const std::string& line : placed.messageLines) {
    canvas.text(line, alertMessageFont, roleColor("labelColor"), left, y, column, TextAlign::left);
    y += platform::lineHeight(alertMessageFont);
  }
  y = placed.informativeTop;
  for (const std::string& line : placed.informativeLines) {
    canvas.text(line, alertInformativeFont, roleColor("labelColor"), left, y, column,
                TextAlign::left);
    y += platform::lineHeight(alertInformativeFont);
  }
  if (alert.accessory) {
    const SavedState accessory(cairo);
    cairo_translate(cairo, placed.accessoryOrigin.x, placed.accessoryOrigin.y);
    drawView(canvas, *alert.accessory, alert.accessory->frame.maxY());
  }
  for (std::size_t index = 0; index < alert.buttons.size(); ++index) {
    drawPushButton(canvas, placed.buttons[index], alert.buttons[index], menuFont, index == 0, true,
                   6);
  }
}

// --- notifications

void drawBanner(const Canvas& canvas, const platform::NotificationRecord& notification,
                const Rect& rect) {
  canvas.shadow(rect, 14, 10, 0.16);
  canvas.roundedRectangle(rect, 14);
  canvas.fillPreserve({0.97, 0.97, 0.98, 0.96});
  canvas.stroke({0, 0, 0, 0.1}, 0.5);
  drawApplicationIcon(canvas, {rect.x + 12, rect.y + 16, 36, 36});
  const double left = rect.x + 60;
  const double width = rect.maxX() - left - 14;
  const Font title = Font::system(13, FontWeight::semibold);
  const Font body = Font::system(13);
  canvas.text(
      platform::truncatedLine(notification.title, title, width, platform::TruncationPosition::tail),
      title, roleColor("labelColor"), left, rect.y + 14, width, TextAlign::left);
  double y = rect.y + 14 + platform::lineHeight(title);
  for (const std::string& line : platform::wrappedLines(notification.body, body, width, 2)) {
    canvas.text(line, body, roleColor("labelColor"), left, y, width, TextAlign::left);
    y += platform::lineHeight(body);
  }
}

// --- the whole screen

platform::Error notOnScreen(const std::string& sentence) {
  return {platform::errorDomain::desktop, 1, sentence};
}

platform::Error cannotDraw(const std::string& reason) {
  return {platform::errorDomain::desktop, 1, "The screen cannot be drawn: " + reason + "."};
}

void drawScene(const Canvas& canvas, const ScreenScene& scene, const ScreenLayout& layout) {
  for (const PlacedWindow& window : layout.windows) {
    drawWindow(canvas, window);
  }
  for (const PlacedAlert& alert : layout.alerts) {
    drawAlert(canvas, alert);
  }
  for (std::size_t index = 0; index < layout.banners.size(); ++index) {
    drawBanner(canvas, scene.notifications[index], layout.banners[index]);
  }
  drawMenuBar(canvas, layout);
  if (layout.menu) {
    drawMenu(canvas, *layout.menu);
  }
}

// What the picture shows, in points from the screen's top left.
platform::Result<Rect> cropOf(const ScreenLayout& layout, const PictureOptions& options) {
  std::optional<Rect> crop;
  if (options.window) {
    for (const PlacedWindow& window : layout.windows) {
      if (window.window->element.title == *options.window) {
        crop = window.rect;
      }
    }
    for (const PlacedAlert& alert : layout.alerts) {
      if (!crop && alert.alert->element.messageText == *options.window) {
        crop = alert.rect;
      }
    }
    if (!crop) {
      return std::unexpected(
          notOnScreen("No window or alert called “" + *options.window + "” is on screen."));
    }
  }
  if (options.menu && layout.menu) {
    const Rect shown = unite(layout.menu->anchor, layout.menu->rect);
    crop = crop ? unite(*crop, shown) : shown;
  }
  if (!crop) {
    return Rect{0, 0, layout.width, layout.height};
  }
  const Rect wanted = grown(*crop, cropMargin);
  const double x = std::max(0.0, wanted.x);
  const double y = std::max(0.0, wanted.y);
  return Rect{x, y, std::min(layout.width, wanted.maxX()) - x,
              std::min(layout.height, wanted.maxY()) - y};
}

}  // namespace

ScreenPicture::ScreenPicture(int width, int height, platform::Point origin, double scale,
                             platform::Point screenTopLeft)
    : width_(width),
      height_(height),
      origin_(origin),
      scale_(scale),
      screenTopLeft_(screenTopLeft),
      // every pixel is written by the background before anything reads it
      pixels_(std::make_unique_for_overwrite<std::uint32_t[]>(static_cast<std::size_t>(width) *
                                                              static_cast<std::size_t>(height))) {}

platform::Result<ScreenPicture> ScreenPicture::draw(const ScreenScene& scene,
                                                    const PictureOptions& options) {
  // A status item's menu asked for is drawn open in place of the one the scene has open.
  std::optional<ScreenScene> withMenu;
  if (options.menu) {
    withMenu = scene;
    withMenu->openMenu = platform::OpenMenu{*options.menu, std::nullopt};
  }
  const ScreenScene& shown = withMenu ? *withMenu : scene;
  const ScreenLayout layout = ScreenLayout::of(shown);
  if (options.menu && !layout.menu) {
    return std::unexpected(
        notOnScreen("No status item of " + *options.menu + " with a menu is on screen."));
  }
  const auto crop = cropOf(layout, options);
  if (!crop) {
    return std::unexpected(crop.error());
  }
  const double scale = options.scale.value_or(scene.screen.backingScaleFactor);
  // Negated comparisons, so that NaN is refused too.
  if (!(scale > 0) || !(crop->width * scale <= platform::maximumScreenPixels) ||
      !(crop->height * scale <= platform::maximumScreenPixels)) {
    return std::unexpected(cannotDraw(
        "a picture has at most " + std::to_string(static_cast<int>(platform::maximumScreenPixels)) +
        " pixels on a side, at a scale above 0"));
  }
  const int width = std::max(1, static_cast<int>(std::lround(crop->width * scale)));
  const int height = std::max(1, static_cast<int>(std::lround(crop->height * scale)));
  ScreenPicture picture(width, height, {crop->x, crop->y}, scale,
                        {scene.screen.frame.x, scene.screen.frame.maxY()});
  fillBackground(picture.pixels_.get(), width, height, *crop, scale, layout);

  const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(picture.pixels_.get()),
                                          CAIRO_FORMAT_RGB24, width, height, width * 4),
      &cairo_surface_destroy);
  const std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cairo(cairo_create(surface.get()),
                                                                 &cairo_destroy);
  if (const cairo_status_t status = cairo_status(cairo.get()); status != CAIRO_STATUS_SUCCESS) {
    return std::unexpected(cannotDraw(cairo_status_to_string(status)));
  }
  cairo_scale(cairo.get(), scale, scale);
  cairo_translate(cairo.get(), -crop->x, -crop->y);
  drawScene(Canvas(cairo.get()), shown, layout);
  cairo_surface_flush(surface.get());
  if (const cairo_status_t status = cairo_status(cairo.get()); status != CAIRO_STATUS_SUCCESS) {
    return std::unexpected(cannotDraw(cairo_status_to_string(status)));
  }
  return picture;
}

std::uint32_t ScreenPicture::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    return 0;
  }
  return pixels_[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width_)) +
                 static_cast<std::size_t>(x)] &
         0xFFFFFFU;
}

platform::Point ScreenPicture::pixelOf(platform::Point global) const {
  return {(global.x - screenTopLeft_.x - origin_.x) * scale_,
          (screenTopLeft_.y - global.y - origin_.y) * scale_};
}

std::string ScreenPicture::png() const {
  return encodePng(pixels_.get(), width_, height_);
}

}  // namespace desktop
