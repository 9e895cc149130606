#include "picture/ScreenPicture.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <memory>
#include <numbers>
#include <string_view>
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

constexpr double menuBarHeight = 24;
constexpr double cropMargin = 24;  // room round a cropped window for its shadow

// Where things are, in points from the screen's top left.
struct Layout {
  double width = 0;   // of the screen
  double height = 0;  // of the screen
  double top = 0;     // the screen's top edge in global coordinates
  double left = 0;    // the screen's left edge in global coordinates

  Rect fromGlobal(const Rect& frame) const {
    return {frame.x - left, top - frame.maxY(), frame.width, frame.height};
  }
};

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
                    const Layout& layout) {
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

struct PlacedStatusItem {
  const platform::Shown<platform::StatusItemRecord>* item;
  Rect rect;
};

const Font menuFont = Font::system(13);

// The status items from the right edge of the menu bar leftwards, the first the rightmost.
std::vector<PlacedStatusItem> placeStatusItems(const platform::ScreenContents& contents,
                                               const Layout& layout) {
  std::vector<PlacedStatusItem> placed;
  double right = layout.width - 12;
  for (const auto& shown : contents.statusItems) {
    const auto& item = shown.element;
    double width = item.length;
    if (width <= 0) {
      width = (item.image ? 18 : 0) + platform::textWidth(item.title, menuFont) + 12;
    }
    placed.push_back({&shown, {right - width, 0, width, menuBarHeight}});
    right -= width + 4;
  }
  return placed;
}

void drawMenuBar(const Canvas& canvas, const Layout& layout,
                 const std::vector<PlacedStatusItem>& items,
                 const std::optional<std::string>& openMenu) {
  cairo_t* cairo = canvas.cairo();
  cairo_rectangle(cairo, 0, 0, layout.width, menuBarHeight);
  canvas.fill({0.97, 0.97, 0.98, 0.8});
  cairo_rectangle(cairo, 0, menuBarHeight - 0.5, layout.width, 0.5);
  canvas.fill({0, 0, 0, 0.12});
  for (const auto& [shown, rect] : items) {
    if (openMenu && shown->application == *openMenu) {
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

constexpr double menuRow = 22;
constexpr double menuSeparator = 11;
constexpr double menuPadding = 5;

std::string keyEquivalentText(const platform::MenuItemRecord& item) {
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

Rect menuRect(const std::vector<platform::MenuItemRecord>& menu, const Rect& under,
              const Layout& layout) {
  double titles = 0;
  double keys = 0;
  double height = 2 * menuPadding;
  for (const auto& item : menu) {
    height += item.separator ? menuSeparator : menuRow;
    titles = std::max(titles, platform::textWidth(item.title, menuFont));
    keys = std::max(keys, platform::textWidth(keyEquivalentText(item), menuFont));
  }
  const double width = std::max(180.0, 20 + titles + (keys > 0 ? 28 + keys : 0) + 16);
  const double x = std::clamp(under.x, 4.0, std::max(4.0, layout.width - width - 4));
  return {x, menuBarHeight + 2, width, height};
}

void drawMenu(const Canvas& canvas, const std::vector<platform::MenuItemRecord>& menu,
              const Rect& rect) {
  cairo_t* cairo = canvas.cairo();
  canvas.shadow(rect, 8, 10, 0.18);
  canvas.roundedRectangle(rect, 8);
  canvas.fillPreserve({0.97, 0.97, 0.97, 1});
  canvas.stroke({0, 0, 0, 0.12}, 0.5);
  double y = rect.y + menuPadding;
  for (const auto& item : menu) {
    if (item.separator) {
      cairo_rectangle(cairo, rect.x + 10, y + (menuSeparator / 2) - 0.5, rect.width - 20, 1);
      canvas.fill({0, 0, 0, 0.1});
      y += menuSeparator;
      continue;
    }
    const Rgba color = roleColor(item.enabled ? "labelColor" : "tertiaryLabelColor");
    const double top = y + ((menuRow - platform::lineHeight(menuFont)) / 2);
    canvas.text(item.title, menuFont, color, rect.x + 20, top, rect.width - 40, TextAlign::left);
    canvas.text(keyEquivalentText(item), menuFont,
                item.enabled ? roleColor("secondaryLabelColor") : color, rect.x + 20, top,
                rect.width - 36, TextAlign::right);
    y += menuRow;
  }
}

// --- windows

// Style mask bits of the window's buttons.
constexpr std::uint32_t closable = 1U << 1U;
constexpr std::uint32_t miniaturizable = 1U << 2U;
constexpr std::uint32_t resizable = 1U << 3U;

void drawWindow(const Canvas& canvas, const platform::WindowRecord& window, const Rect& rect) {
  cairo_t* cairo = canvas.cairo();
  constexpr double radius = 10;
  canvas.shadow(rect, radius, window.key ? 18 : 10, window.key ? 0.3 : 0.18);
  const SavedState saved(cairo);
  canvas.roundedRectangle(rect, radius);
  cairo_clip(cairo);
  cairo_rectangle(cairo, rect.x, rect.y, rect.width, rect.height);
  canvas.fill(window.backgroundColor.alpha > 0 ? rgbaOf(window.backgroundColor)
                                               : Rgba{0.93, 0.93, 0.94, 0.97});
  const double contentHeight =
      window.contentView ? std::min(window.contentView->frame.height, rect.height) : rect.height;
  const double titleBar = rect.height - contentHeight;
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
  const double lightsY = rect.y + std::min(14.0, std::max(titleBar, 28.0) / 2);
  const std::array<std::pair<std::uint32_t, Rgba>, 3> lights{{
      {closable, {1, 0.37, 0.34, 1}},
      {miniaturizable, {1, 0.74, 0.18, 1}},
      {resizable, {0.16, 0.79, 0.25, 1}},
  }};
  double x = rect.x + 14;
  for (const auto& [bit, colour] : lights) {
    cairo_new_sub_path(cairo);
    cairo_arc(cairo, x, lightsY, 6, 0, 2 * std::numbers::pi);
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

// --- alerts: the panel's layout as the platform sizes it

constexpr double alertMargin = 20;
constexpr double alertIcon = 64;
constexpr double alertButtonHeight = 24;

Rect alertRect(const platform::AlertRecord& alert, const Layout& layout) {
  const double top = menuBarHeight + ((layout.height - menuBarHeight - alert.size.height) * 0.3);
  return {(layout.width - alert.size.width) / 2, std::max(menuBarHeight + 8, top), alert.size.width,
          alert.size.height};
}

void drawAlert(const Canvas& canvas, const platform::AlertRecord& alert, const Rect& rect) {
  cairo_t* cairo = canvas.cairo();
  canvas.shadow(rect, 12, 20, 0.32);
  canvas.roundedRectangle(rect, 12);
  canvas.fillPreserve({0.95, 0.95, 0.96, 1});
  canvas.stroke({0, 0, 0, 0.2}, 0.5);
  const SavedState saved(cairo);
  canvas.roundedRectangle(rect, 12);
  cairo_clip(cairo);
  const double column = rect.width - (2 * alertMargin);
  const double left = rect.x + alertMargin;
  double y = rect.y + alertMargin;
  drawAlertIcon(canvas, alert.style, {left, y, alertIcon, alertIcon});
  y += alertIcon + 12;
  const Font message = Font::system(13, FontWeight::bold);
  for (const std::string& line : platform::wrappedLines(alert.messageText, message, column)) {
    canvas.text(line, message, roleColor("labelColor"), left, y, column, TextAlign::left);
    y += platform::lineHeight(message);
  }
  if (!alert.informativeText.empty()) {
    y += 6;
    const Font informative = Font::system(11);
    for (const std::string& line :
         platform::wrappedLines(alert.informativeText, informative, column)) {
      canvas.text(line, informative, roleColor("labelColor"), left, y, column, TextAlign::left);
      y += platform::lineHeight(informative);
    }
  }
  if (alert.accessory) {
    y += 12;
    const SavedState accessory(cairo);
    cairo_translate(cairo, left, y);
    drawView(canvas, *alert.accessory, alert.accessory->frame.maxY());
  }
  double right = rect.maxX() - alertMargin;
  const double buttonsTop = rect.maxY() - alertMargin - alertButtonHeight;
  const Font buttonFont = Font::system(13);
  for (std::size_t index = 0; index < alert.buttons.size(); ++index) {
    const std::string& title = alert.buttons[index];
    const double width = std::max(76.0, std::ceil(platform::textWidth(title, buttonFont)) + 28);
    drawPushButton(canvas, {right - width, buttonsTop, width, alertButtonHeight}, title, buttonFont,
                   index == 0, true, 6);
    right -= width + 12;
  }
}

// --- notifications

constexpr double bannerWidth = 344;
constexpr double bannerHeight = 68;

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

struct OpenMenu {
  const std::vector<platform::MenuItemRecord>* items;
  Rect statusItem;
  Rect rect;
};

struct Placed {
  Layout layout;
  std::vector<PlacedStatusItem> statusItems;
  std::optional<OpenMenu> menu;
};

platform::Error notOnScreen(const std::string& sentence) {
  return {platform::errorDomain::desktop, 1, sentence};
}

platform::Error cannotDraw(const std::string& reason) {
  return {platform::errorDomain::desktop, 1, "The screen cannot be drawn: " + reason + "."};
}

// The windows back to front: the other programs' windows, then the active program's, each
// program's as it published them with its key window last.
std::vector<const platform::Shown<platform::WindowRecord>*> windowOrder(const ScreenScene& scene) {
  std::vector<const platform::Shown<platform::WindowRecord>*> order;
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

void drawScene(const Canvas& canvas, const ScreenScene& scene, const Placed& placed,
               const PictureOptions& options) {
  const Layout& layout = placed.layout;
  for (const auto* shown : windowOrder(scene)) {
    drawWindow(canvas, shown->element, layout.fromGlobal(shown->element.frame));
  }
  for (const auto& shown : scene.contents.alerts) {
    drawAlert(canvas, shown.element, alertRect(shown.element, layout));
  }
  double bannerTop = menuBarHeight + 10;
  for (const auto& notification : scene.notifications) {
    drawBanner(canvas, notification,
               {layout.width - bannerWidth - 14, bannerTop, bannerWidth, bannerHeight});
    bannerTop += bannerHeight + 10;
  }
  drawMenuBar(canvas, layout, placed.statusItems, options.menu);
  if (const auto& menu = placed.menu) {
    drawMenu(canvas, *menu->items, menu->rect);
  }
}

// What the picture shows, in points from the screen's top left.
platform::Result<Rect> cropOf(const ScreenScene& scene, const Placed& placed,
                              const PictureOptions& options) {
  const Layout& layout = placed.layout;
  std::optional<Rect> crop;
  if (options.window) {
    for (const auto& shown : scene.contents.windows) {
      if (shown.element.visible && shown.element.title == *options.window) {
        crop = layout.fromGlobal(shown.element.frame);
      }
    }
    for (const auto& shown : scene.contents.alerts) {
      if (!crop && shown.element.messageText == *options.window) {
        crop = alertRect(shown.element, layout);
      }
    }
    if (!crop) {
      return std::unexpected(
          notOnScreen("No window or alert called “" + *options.window + "” is on screen."));
    }
  }
  if (const auto& menu = placed.menu) {
    const Rect shown = unite(menu->statusItem, menu->rect);
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

platform::Result<Placed> place(const ScreenScene& scene, const PictureOptions& options) {
  Placed placed;
  const Rect& frame = scene.screen.frame;
  placed.layout = {frame.width, frame.height, frame.maxY(), frame.x};
  placed.statusItems = placeStatusItems(scene.contents, placed.layout);
  if (const auto& wanted = options.menu) {
    for (const auto& [shown, rect] : placed.statusItems) {
      const auto& menu = shown->element.menu;
      if (shown->application == *wanted && menu.has_value()) {
        placed.menu = OpenMenu{&*menu, rect, menuRect(*menu, rect, placed.layout)};
        break;
      }
    }
    if (!placed.menu) {
      return std::unexpected(
          notOnScreen("No status item of " + *wanted + " with a menu is on screen."));
    }
  }
  return placed;
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
  auto placed = place(scene, options);
  if (!placed) {
    return std::unexpected(placed.error());
  }
  const auto crop = cropOf(scene, *placed, options);
  if (!crop) {
    return std::unexpected(crop.error());
  }
  const double scale = scene.screen.backingScaleFactor;
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
  fillBackground(picture.pixels_.get(), width, height, *crop, scale, placed->layout);

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
  drawScene(Canvas(cairo.get()), scene, *placed, options);
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
