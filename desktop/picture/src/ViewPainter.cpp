#include "ViewPainter.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <numbers>
#include <string>
#include <string_view>

#include "Symbols.h"
#include "platform/Error.h"
#include "platform/FileManager.h"
#include "platform/TextMetrics.h"

namespace desktop {
namespace {

using platform::Rect;

constexpr double labelPadding = 2;  // a label lays its text out 2 points in from either side
const Rgba white{1, 1, 1, 1};
const Rgba bezelBorder{0, 0, 0, 0.16};

Rect bounds(const platform::ViewRecord& view) {
  return {0, 0, view.frame.width, view.frame.height};
}

Rect inset(const Rect& rect, double dx, double dy) {
  return {rect.x + dx, rect.y + dy, std::max(0.0, rect.width - (2 * dx)),
          std::max(0.0, rect.height - (2 * dy))};
}

platform::Font controlFont(const platform::ViewRecord& view) {
  return view.control ? view.control->font : platform::Font::system(13);
}

bool enabled(const platform::ViewRecord& view) {
  return !view.control || view.control->enabled;
}

TextAlign alignmentOf(const std::string& alignment) {
  if (alignment == "center") {
    return TextAlign::center;
  }
  return alignment == "right" ? TextAlign::right : TextAlign::left;
}

// The largest picture file a program may name for its views.
constexpr std::size_t pictureFileLimit = std::size_t{16} << 20U;

// A picture file drawn to cover the rectangle (aspect fill), clipped to it. False when the file
// is not a regular file of at most pictureFileLimit bytes holding a PNG cairo can read: the name
// comes from a program, so a FIFO or a device there must not stall the picture.
bool drawPictureFile(const Canvas& canvas, const std::string& file, const Rect& rect) {
  const platform::Result<std::string> contents = platform::readRegularFile(file, pictureFileLimit);
  if (!contents) {
    return false;
  }
  std::string_view rest = *contents;
  const auto read = [](void* closure, unsigned char* data, unsigned int length) {
    auto& unread = *static_cast<std::string_view*>(closure);
    if (unread.size() < length) {
      return CAIRO_STATUS_READ_ERROR;
    }
    std::ranges::copy(unread.substr(0, length), data);
    unread.remove_prefix(length);
    return CAIRO_STATUS_SUCCESS;
  };
  const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> picture(
      cairo_image_surface_create_from_png_stream(read, &rest), &cairo_surface_destroy);
  if (cairo_surface_status(picture.get()) != CAIRO_STATUS_SUCCESS) {
    return false;
  }
  const double width = cairo_image_surface_get_width(picture.get());
  const double height = cairo_image_surface_get_height(picture.get());
  if (width <= 0 || height <= 0 || rect.width <= 0 || rect.height <= 0) {
    return false;
  }
  const double scale = std::max(rect.width / width, rect.height / height);
  cairo_t* cairo = canvas.cairo();
  const SavedState saved(cairo);
  cairo_rectangle(cairo, rect.x, rect.y, rect.width, rect.height);
  cairo_clip(cairo);
  cairo_translate(cairo, rect.x + ((rect.width - (width * scale)) / 2),
                  rect.y + ((rect.height - (height * scale)) / 2));
  cairo_scale(cairo, scale, scale);
  cairo_set_source_surface(cairo, picture.get(), 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cairo), CAIRO_FILTER_GOOD);
  // the edges keep the picture's own colours instead of fading into nothing
  cairo_pattern_set_extend(cairo_get_source(cairo), CAIRO_EXTEND_PAD);
  cairo_paint(cairo);
  return true;
}

void drawLayer(const Canvas& canvas, const platform::LayerRecord& layer, const Rect& rect) {
  if (layer.backgroundColor) {
    canvas.roundedRectangle(rect, layer.cornerRadius);
    canvas.fill(rgbaOf(*layer.backgroundColor));
  }
  if (layer.contents) {
    const SavedState saved(canvas.cairo());
    canvas.roundedRectangle(rect, layer.cornerRadius);
    cairo_clip(canvas.cairo());
    drawImage(canvas, *layer.contents, rect);
  }
  if (layer.borderWidth > 0 && layer.borderColor) {
    canvas.roundedRectangle(inset(rect, layer.borderWidth / 2, layer.borderWidth / 2),
                            std::max(0.0, layer.cornerRadius - (layer.borderWidth / 2)));
    canvas.stroke(rgbaOf(*layer.borderColor), layer.borderWidth);
  }
}

void drawLabel(const Canvas& canvas, const platform::LabelRecord& label, const Rect& rect) {
  const double line = platform::lineHeight(label.font);
  const double block = line * static_cast<double>(label.lines.size());
  // a block that fits is centred in the frame; one that does not starts at the top and is cut
  double top = block <= rect.height ? (rect.height - block) / 2 : 0;
  const SavedState saved(canvas.cairo());
  cairo_rectangle(canvas.cairo(), rect.x, rect.y, rect.width, rect.height);
  cairo_clip(canvas.cairo());
  for (const std::string& text : label.lines) {
    canvas.text(text, label.font, rgbaOf(label.textColor), labelPadding, top,
                rect.width - (2 * labelPadding), alignmentOf(label.alignment));
    top += line;
  }
}

void drawCheckbox(const Canvas& canvas, const platform::ViewRecord& view,
                  const platform::ButtonRecord& button) {
  cairo_t* cairo = canvas.cairo();
  const Rect frame = bounds(view);
  const double side = 14;
  const Rect box{1, (frame.height - side) / 2, side, side};
  const Rgba accent = roleColor("controlAccentColor");
  canvas.roundedRectangle(box, 3.5);
  if (button.state == "off") {
    canvas.fillPreserve(white);
    canvas.stroke({0, 0, 0, 0.25}, 1);
  } else {
    canvas.fill(accent);
    cairo_set_line_cap(cairo, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cairo, CAIRO_LINE_JOIN_ROUND);
    if (button.state == "mixed") {
      cairo_move_to(cairo, box.x + 3.5, box.y + (side / 2));
      cairo_line_to(cairo, box.maxX() - 3.5, box.y + (side / 2));
    } else {
      cairo_move_to(cairo, box.x + 3.2, box.y + 7.4);
      cairo_line_to(cairo, box.x + 6, box.y + 10.2);
      cairo_line_to(cairo, box.x + 10.8, box.y + 3.8);
    }
    canvas.stroke(white, 2);
  }
  const platform::Font font = controlFont(view);
  canvas.text(button.title, font, roleColor(enabled(view) ? "labelColor" : "tertiaryLabelColor"),
              box.maxX() + 6, (frame.height - platform::lineHeight(font)) / 2,
              frame.width - box.maxX() - 6, TextAlign::left);
}

void drawPopUp(const Canvas& canvas, const platform::ViewRecord& view,
               const platform::PopUpRecord& popUp) {
  cairo_t* cairo = canvas.cairo();
  const Rect bezel = inset(bounds(view), 2, std::max(0.0, (view.frame.height - 22) / 2));
  canvas.roundedRectangle({bezel.x, bezel.y + 0.5, bezel.width, bezel.height}, 5);
  canvas.fill({0, 0, 0, 0.06});
  canvas.roundedRectangle(bezel, 5);
  canvas.fillPreserve(white);
  canvas.stroke(bezelBorder, 0.5);
  const Rect arrows{bezel.maxX() - 19, bezel.y + 3, 16, bezel.height - 6};
  canvas.roundedRectangle(arrows, 4);
  canvas.fill(roleColor("controlAccentColor"));
  const double cx = arrows.x + (arrows.width / 2);
  const double cy = arrows.y + (arrows.height / 2);
  cairo_set_line_cap(cairo, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cairo, CAIRO_LINE_JOIN_ROUND);
  for (const double direction : {-1.0, 1.0}) {
    cairo_move_to(cairo, cx - 3, cy + (direction * 1.5));
    cairo_line_to(cairo, cx, cy + (direction * 4.5));
    cairo_line_to(cairo, cx + 3, cy + (direction * 1.5));
  }
  canvas.stroke(white, 1.5);
  if (popUp.selectedIndex < 0 || popUp.selectedIndex >= static_cast<int>(popUp.items.size())) {
    return;
  }
  const platform::Font font = controlFont(view);
  const double room = arrows.x - bezel.x - 14;
  const std::string title =
      platform::truncatedLine(popUp.items[static_cast<std::size_t>(popUp.selectedIndex)], font,
                              room, platform::TruncationPosition::tail);
  canvas.text(title, font, roleColor(enabled(view) ? "labelColor" : "tertiaryLabelColor"),
              bezel.x + 9, bezel.y + ((bezel.height - platform::lineHeight(font)) / 2), room,
              TextAlign::left);
}

void drawProgress(const Canvas& canvas, const platform::ViewRecord& view,
                  const platform::ProgressRecord& progress) {
  cairo_t* cairo = canvas.cairo();
  const Rect frame = bounds(view);
  const Rgba accent = roleColor("controlAccentColor");
  if (progress.style == "spinning") {
    const double radius = std::min(frame.width, frame.height) / 2;
    const double cx = frame.width / 2;
    const double cy = frame.height / 2;
    constexpr int spokes = 12;
    cairo_set_line_cap(cairo, CAIRO_LINE_CAP_ROUND);
    for (int spoke = 0; spoke < spokes; ++spoke) {
      const double angle = 2 * std::numbers::pi * spoke / spokes;
      cairo_move_to(cairo, cx + (std::cos(angle) * radius * 0.45),
                    cy + (std::sin(angle) * radius * 0.45));
      cairo_line_to(cairo, cx + (std::cos(angle) * radius * 0.9),
                    cy + (std::sin(angle) * radius * 0.9));
      canvas.stroke({0, 0, 0, 0.15 + (0.6 * spoke / spokes)}, std::max(1.5, radius * 0.16));
    }
    return;
  }
  const double thickness = progress.controlSize == "small" ? 4 : 6;
  const Rect track{0, (frame.height - thickness) / 2, frame.width, thickness};
  canvas.roundedRectangle(track, thickness / 2);
  canvas.fill({0, 0, 0, 0.08});
  double from = 0;
  double share = 0.3;  // an indeterminate bar shows a moving segment; drawn at its start
  if (!progress.indeterminate) {
    const double range = progress.maxValue - progress.minValue;
    share =
        range > 0 ? std::clamp((progress.doubleValue - progress.minValue) / range, 0.0, 1.0) : 0;
  } else {
    from = track.width * 0.1;
  }
  if (share > 0) {
    canvas.roundedRectangle({from, track.y, track.width * share, thickness}, thickness / 2);
    canvas.fill(accent);
  }
}

void drawContent(const Canvas& canvas, const platform::ViewRecord& view) {
  const Rect frame = bounds(view);
  if (view.visualEffect) {
    canvas.roundedRectangle(frame, view.layer ? view.layer->cornerRadius : 0);
    canvas.fill({0.93, 0.93, 0.94, 0.97});
  }
  if (view.layer) {
    drawLayer(canvas, *view.layer, frame);
  }
  if (view.label) {
    drawLabel(canvas, *view.label, frame);
  } else if (view.button) {
    if (view.button->type == "checkbox") {
      drawCheckbox(canvas, view, *view.button);
    } else {
      const double radius = view.button->bezel == "regularSquare" ? 4 : 6;
      drawPushButton(canvas, inset(frame, 1, std::max(1.0, (frame.height - 28) / 2)),
                     view.button->title, controlFont(view), view.button->keyEquivalent == "\r",
                     enabled(view), radius);
    }
  } else if (view.popUp) {
    drawPopUp(canvas, view, *view.popUp);
  } else if (view.progress) {
    drawProgress(canvas, view, *view.progress);
  } else if (view.imageView && view.imageView->image) {
    const SavedState saved(canvas.cairo());
    canvas.roundedRectangle(frame, view.layer ? view.layer->cornerRadius : 0);
    cairo_clip(canvas.cairo());
    drawImage(canvas, *view.imageView->image, frame);
  }
}

}  // namespace

void drawImage(const Canvas& canvas, const platform::ImageRecord& image, const Rect& rect) {
  if (image.symbol) {
    drawSymbol(canvas, *image.symbol, rect,
               image.isTemplate ? roleColor("labelColor") : roleColor("controlAccentColor"));
    return;
  }
  if (!drawPictureFile(canvas, image.file, rect)) {
    // a picture that cannot be read shows as an empty frame, as a broken image would
    canvas.roundedRectangle(inset(rect, 0.5, 0.5), 4);
    canvas.stroke(roleColor("separatorColor"), 1);
  }
}

void drawPushButton(const Canvas& canvas, const Rect& rect, const std::string& title,
                    const platform::Font& font, bool isDefault, bool enabled, double radius) {
  canvas.roundedRectangle({rect.x, rect.y + 0.5, rect.width, rect.height}, radius);
  canvas.fill({0, 0, 0, 0.06});
  canvas.roundedRectangle(rect, radius);
  if (isDefault && enabled) {
    canvas.fill(roleColor("controlAccentColor"));
  } else {
    canvas.fillPreserve(white);
    canvas.stroke(bezelBorder, 0.5);
  }
  Rgba text = roleColor("labelColor");
  if (!enabled) {
    text = roleColor("tertiaryLabelColor");
  } else if (isDefault) {
    text = white;
  }
  const SavedState saved(canvas.cairo());
  cairo_rectangle(canvas.cairo(), rect.x, rect.y, rect.width, rect.height);
  cairo_clip(canvas.cairo());
  canvas.text(title, font, text, rect.x, rect.y + ((rect.height - platform::lineHeight(font)) / 2),
              rect.width, TextAlign::center);
}

void drawView(const Canvas& canvas, const platform::ViewRecord& view, double superviewHeight) {
  if (view.hidden || view.alpha <= 0) {
    return;
  }
  cairo_t* cairo = canvas.cairo();
  const SavedState saved(cairo);
  cairo_translate(cairo, view.frame.x, superviewHeight - view.frame.maxY());
  const bool translucent = view.alpha < 1;
  if (translucent) {
    cairo_push_group(cairo);
  }
  drawContent(canvas, view);
  if (view.layer && view.layer->masksToBounds) {
    canvas.roundedRectangle(bounds(view), view.layer->cornerRadius);
    cairo_clip(cairo);
  }
  for (const platform::ViewRecord& subview : view.subviews) {
    drawView(canvas, subview, view.frame.height);
  }
  if (translucent) {
    cairo_pop_group_to_source(cairo);
    cairo_paint_with_alpha(cairo, view.alpha);
  }
}

}  // namespace desktop
