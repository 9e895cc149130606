#include "Symbols.h"

#include <algorithm>
#include <memory>
#include <numbers>
#include <utility>

#include "platform/Appearance.h"

namespace desktop {
namespace {

// The largest square in the middle of a rectangle.
platform::Rect square(const platform::Rect& rect) {
  const double side = std::min(rect.width, rect.height);
  return {rect.x + ((rect.width - side) / 2), rect.y + ((rect.height - side) / 2), side, side};
}

// A lightning bolt in the square, as a closed path.
void boltPath(cairo_t* cairo, const platform::Rect& s) {
  const auto at = [&](double x, double y) {
    return std::pair{s.x + (x * s.width), s.y + (y * s.height)};
  };
  const auto [x0, y0] = at(0.56, 0.16);
  cairo_move_to(cairo, x0, y0);
  for (const auto& [x, y] :
       {at(0.3, 0.56), at(0.48, 0.56), at(0.42, 0.84), at(0.7, 0.42), at(0.52, 0.42)}) {
    cairo_line_to(cairo, x, y);
  }
  cairo_close_path(cairo);
}

void circle(cairo_t* cairo, const platform::Rect& s, double inset = 0) {
  cairo_new_sub_path(cairo);
  cairo_arc(cairo, s.x + (s.width / 2), s.y + (s.height / 2), (s.width / 2) - inset, 0,
            2 * std::numbers::pi);
}

// A small badge in the square's lower right corner: a filled circle with a mark cut out.
void badge(const Canvas& canvas, const platform::Rect& s, const Rgba& color, bool minus) {
  cairo_t* cairo = canvas.cairo();
  const platform::Rect b{s.x + (s.width * 0.55), s.y + (s.height * 0.55), s.width * 0.45,
                         s.height * 0.45};
  circle(cairo, b);
  canvas.fill(color);
  const double cx = b.x + (b.width / 2);
  const double cy = b.y + (b.height / 2);
  const Rgba white{1, 1, 1, 1};
  if (minus) {
    cairo_rectangle(cairo, cx - (b.width * 0.28), cy - (b.height * 0.06), b.width * 0.56,
                    b.height * 0.12);
    canvas.fill(white);
    return;
  }
  for (const double dx : {-0.22, 0.0, 0.22}) {
    cairo_new_sub_path(cairo);
    cairo_arc(cairo, cx + (dx * b.width), cy, b.width * 0.07, 0, 2 * std::numbers::pi);
  }
  canvas.fill(white);
}

void keyboard(const Canvas& canvas, const platform::Rect& s, const Rgba& color) {
  cairo_t* cairo = canvas.cairo();
  const platform::Rect body{s.x + (s.width * 0.04), s.y + (s.height * 0.22), s.width * 0.92,
                            s.height * 0.5};
  canvas.roundedRectangle(body, s.width * 0.08);
  canvas.stroke(color, s.width * 0.06);
  const double key = body.width / 9;
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 6; ++column) {
      cairo_rectangle(cairo, body.x + (key * (1.1 + (column * 1.2))),
                      body.y + (body.height * (0.2 + (row * 0.25))), key * 0.7, body.height * 0.14);
    }
  }
  cairo_rectangle(cairo, body.x + (key * 2.3), body.y + (body.height * 0.72), key * 4.4,
                  body.height * 0.12);
  canvas.fill(color);
}

void trash(const Canvas& canvas, const platform::Rect& s, const Rgba& color) {
  cairo_t* cairo = canvas.cairo();
  const double line = s.width * 0.07;
  cairo_move_to(cairo, s.x + (s.width * 0.16), s.y + (s.height * 0.24));
  cairo_line_to(cairo, s.x + (s.width * 0.84), s.y + (s.height * 0.24));
  canvas.stroke(color, line);
  canvas.roundedRectangle(
      {s.x + (s.width * 0.38), s.y + (s.height * 0.1), s.width * 0.24, s.height * 0.14}, line);
  canvas.stroke(color, line);
  cairo_move_to(cairo, s.x + (s.width * 0.24), s.y + (s.height * 0.28));
  cairo_line_to(cairo, s.x + (s.width * 0.3), s.y + (s.height * 0.9));
  cairo_line_to(cairo, s.x + (s.width * 0.7), s.y + (s.height * 0.9));
  cairo_line_to(cairo, s.x + (s.width * 0.76), s.y + (s.height * 0.28));
  canvas.stroke(color, line);
  for (const double x : {0.42, 0.58}) {
    cairo_move_to(cairo, s.x + (s.width * x), s.y + (s.height * 0.4));
    cairo_line_to(cairo, s.x + (s.width * x), s.y + (s.height * 0.78));
  }
  canvas.stroke(color, line * 0.8);
}

void drive(const Canvas& canvas, const platform::Rect& s, const Rgba& color) {
  canvas.roundedRectangle(
      {s.x + (s.width * 0.06), s.y + (s.height * 0.3), s.width * 0.8, s.height * 0.36},
      s.width * 0.08);
  canvas.stroke(color, s.width * 0.06);
  cairo_new_sub_path(canvas.cairo());
  cairo_arc(canvas.cairo(), s.x + (s.width * 0.7), s.y + (s.height * 0.48), s.width * 0.04, 0,
            2 * std::numbers::pi);
  canvas.fill(color);
}

void stack(const Canvas& canvas, const platform::Rect& s, const Rgba& color) {
  const double line = s.width * 0.06;
  for (int layer = 2; layer >= 1; --layer) {
    const double inset = s.width * 0.08 * layer;
    canvas.roundedRectangle({s.x + inset, s.y + (s.height * 0.12) + (layer * s.height * 0.02),
                             s.width - (2 * inset), s.height * 0.2},
                            line);
    canvas.fill(color.withAlpha(0.5));
  }
  const platform::Rect front{s.x + (s.width * 0.04), s.y + (s.height * 0.3), s.width * 0.92,
                             s.height * 0.6};
  canvas.roundedRectangle(front, line * 1.5);
  canvas.stroke(color, line);
  // a four-pointed sparkle in the middle
  cairo_t* cairo = canvas.cairo();
  const double cx = front.x + (front.width / 2);
  const double cy = front.y + (front.height / 2);
  const double r = front.height * 0.32;
  cairo_move_to(cairo, cx, cy - r);
  cairo_curve_to(cairo, cx, cy, cx, cy, cx + r, cy);
  cairo_curve_to(cairo, cx, cy, cx, cy, cx, cy + r);
  cairo_curve_to(cairo, cx, cy, cx, cy, cx - r, cy);
  cairo_curve_to(cairo, cx, cy, cx, cy, cx, cy - r);
  cairo_close_path(cairo);
  canvas.fill(color);
}

void unknown(const Canvas& canvas, const platform::Rect& s, const Rgba& color) {
  canvas.roundedRectangle(
      {s.x + (s.width * 0.1), s.y + (s.height * 0.1), s.width * 0.8, s.height * 0.8},
      s.width * 0.16);
  canvas.stroke(color, s.width * 0.06);
  canvas.text("?", platform::Font::system(s.height * 0.5, platform::FontWeight::bold), color, s.x,
              s.y + (s.height * 0.2), s.width, TextAlign::center);
}

}  // namespace

void drawSymbol(const Canvas& canvas, std::string_view name, const platform::Rect& rect,
                const Rgba& color) {
  const platform::Rect s = square(rect);
  if (name == "bolt.circle.fill") {
    circle(canvas.cairo(), s, s.width * 0.04);
    boltPath(canvas.cairo(), s);
    cairo_set_fill_rule(canvas.cairo(), CAIRO_FILL_RULE_EVEN_ODD);
    canvas.fill(color);
    cairo_set_fill_rule(canvas.cairo(), CAIRO_FILL_RULE_WINDING);
  } else if (name == "sparkles.rectangle.stack") {
    stack(canvas, s, color);
  } else if (name == "keyboard.badge.ellipsis") {
    keyboard(canvas, s, color);
    badge(canvas, s, color, false);
  } else if (name == "trash") {
    trash(canvas, s, color);
  } else if (name == "externaldrive.badge.minus") {
    drive(canvas, s, color);
    badge(canvas, s, color, true);
  } else {
    unknown(canvas, s, color);
  }
}

void drawAlertIcon(const Canvas& canvas, std::string_view style, const platform::Rect& rect) {
  cairo_t* cairo = canvas.cairo();
  const platform::Rect s = square(rect);
  const Rgba white{1, 1, 1, 1};
  if (style == "informational") {
    drawApplicationIcon(canvas, s);
    return;
  }
  // warning and critical: a rounded triangle with an exclamation mark
  const Rgba colour = style == "critical" ? roleColor("systemRed") : roleColor("systemYellow");
  cairo_set_line_join(cairo, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cairo, s.x + (s.width / 2), s.y + (s.height * 0.1));
  cairo_line_to(cairo, s.x + (s.width * 0.94), s.y + (s.height * 0.86));
  cairo_line_to(cairo, s.x + (s.width * 0.06), s.y + (s.height * 0.86));
  cairo_close_path(cairo);
  canvas.fillPreserve(colour);
  canvas.stroke(colour, s.width * 0.08);
  const Rgba mark = style == "critical" ? white : Rgba{0, 0, 0, 0.75};
  canvas.roundedRectangle(
      {s.x + (s.width * 0.46), s.y + (s.height * 0.34), s.width * 0.08, s.height * 0.3},
      s.width * 0.04);
  canvas.fill(mark);
  circle(cairo, {s.x + (s.width * 0.455), s.y + (s.height * 0.68), s.width * 0.09, s.width * 0.09});
  canvas.fill(mark);
}

void drawApplicationIcon(const Canvas& canvas, const platform::Rect& rect) {
  const platform::Rect s = square(rect);
  cairo_t* cairo = canvas.cairo();
  canvas.roundedRectangle(s, s.width * 0.22);
  const std::unique_ptr<cairo_pattern_t, decltype(&cairo_pattern_destroy)> gradient(
      cairo_pattern_create_linear(s.x, s.y, s.x, s.maxY()), &cairo_pattern_destroy);
  cairo_pattern_add_color_stop_rgb(gradient.get(), 0, 0.38, 0.45, 0.98);
  cairo_pattern_add_color_stop_rgb(gradient.get(), 1, 0.2, 0.24, 0.75);
  cairo_set_source(cairo, gradient.get());
  cairo_fill(cairo);
  const double inset = s.width * 0.18;
  boltPath(cairo, {s.x + inset, s.y + inset, s.width - (2 * inset), s.height - (2 * inset)});
  canvas.fill({1, 1, 1, 0.95});
}

}  // namespace desktop
