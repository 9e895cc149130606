#include "Canvas.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <numbers>
#include <utility>

#include "platform/TextMetrics.h"

namespace desktop {
namespace {

struct RoleColor {
  std::string_view role;
  Rgba color;
};

constexpr Rgba accent{0, 0.478, 1, 1};
constexpr Rgba label{0, 0, 0, 0.85};

constexpr std::array<RoleColor, 24> lightRoles{{
    {"labelColor", label},
    {"controlTextColor", label},
    {"headerTextColor", label},
    {"textColor", {0, 0, 0, 1}},
    {"secondaryLabelColor", {0, 0, 0, 0.5}},
    {"tertiaryLabelColor", {0, 0, 0, 0.26}},
    {"quaternaryLabelColor", {0, 0, 0, 0.1}},
    {"disabledControlTextColor", {0, 0, 0, 0.25}},
    {"separatorColor", {0, 0, 0, 0.1}},
    {"gridColor", {0, 0, 0, 0.1}},
    {"controlBackgroundColor", {1, 1, 1, 1}},
    {"controlColor", {1, 1, 1, 1}},
    {"textBackgroundColor", {1, 1, 1, 1}},
    {"windowBackgroundColor", {0.925, 0.925, 0.925, 1}},
    {"underPageBackgroundColor", {0.588, 0.588, 0.588, 0.9}},
    {"controlAccentColor", accent},
    {"selectedContentBackgroundColor", accent},
    {"linkColor", {0, 0.408, 0.855, 1}},
    {"systemBlue", accent},
    {"systemGreen", {0.204, 0.78, 0.349, 1}},
    {"systemRed", {1, 0.231, 0.188, 1}},
    {"systemOrange", {1, 0.584, 0, 1}},
    {"systemYellow", {1, 0.8, 0, 1}},
    {"systemGray", {0.557, 0.557, 0.576, 1}},
}};

PangoWeight pangoWeight(platform::FontWeight weight) {
  switch (weight) {
    case platform::FontWeight::regular:
      return PANGO_WEIGHT_NORMAL;
    case platform::FontWeight::medium:
      return PANGO_WEIGHT_MEDIUM;
    case platform::FontWeight::semibold:
      return PANGO_WEIGHT_SEMIBOLD;
    case platform::FontWeight::bold:
      return PANGO_WEIGHT_BOLD;
  }
  return PANGO_WEIGHT_NORMAL;
}

void setSource(cairo_t* cairo, const Rgba& color) {
  cairo_set_source_rgba(cairo, color.red, color.green, color.blue, color.alpha);
}

}  // namespace

Rgba roleColor(std::string_view role) {
  if (role == "clear") {
    return {0, 0, 0, 0};
  }
  const auto* found = std::ranges::find(lightRoles, role, &RoleColor::role);
  return found == lightRoles.end() ? label : found->color;
}

Rgba rgbaOf(const platform::Color& color) {
  return roleColor(color.role).withAlpha(color.alpha);
}

Canvas::Canvas(cairo_t* cairo) : cairo_(cairo) {}

void Canvas::roundedRectangle(const platform::Rect& rect, double radius) const {
  constexpr double quarter = std::numbers::pi / 2;
  const double r = std::clamp(radius, 0.0, std::min(rect.width, rect.height) / 2);
  cairo_new_sub_path(cairo_);
  if (r <= 0) {
    cairo_rectangle(cairo_, rect.x, rect.y, rect.width, rect.height);
    return;
  }
  cairo_arc(cairo_, rect.maxX() - r, rect.y + r, r, -quarter, 0);
  cairo_arc(cairo_, rect.maxX() - r, rect.maxY() - r, r, 0, quarter);
  cairo_arc(cairo_, rect.x + r, rect.maxY() - r, r, quarter, 2 * quarter);
  cairo_arc(cairo_, rect.x + r, rect.y + r, r, 2 * quarter, 3 * quarter);
  cairo_close_path(cairo_);
}

void Canvas::fill(const Rgba& color) const {
  setSource(cairo_, color);
  cairo_fill(cairo_);
}

void Canvas::fillPreserve(const Rgba& color) const {
  setSource(cairo_, color);
  cairo_fill_preserve(cairo_);
}

void Canvas::stroke(const Rgba& color, double width) const {
  setSource(cairo_, color);
  cairo_set_line_width(cairo_, width);
  cairo_stroke(cairo_);
}

void Canvas::shadow(const platform::Rect& rect, double radius, double spread, double alpha) const {
  // Rings round the rectangle, a little lower than it, darker towards it: a soft edge that falls
  // off like a blur. Each ring is drawn once with the darkness of all the rings over it, and only
  // outside the rectangle (which is drawn over it), so the cost is the ring's area alone.
  constexpr int steps = 12;
  const auto ring = [&](int step) {
    const double grow = spread * step / steps;
    return platform::Rect{rect.x - grow, rect.y - grow + (spread / 3), rect.width + (2 * grow),
                          rect.height + (2 * grow)};
  };
  double clear = 1;  // how much of the background shows through the rings so far
  for (int step = steps; step >= 1; --step) {
    const double weight = 1.0 - (static_cast<double>(step) / (steps + 1));
    clear *= 1 - (alpha * weight * weight / steps * 2);
    roundedRectangle(ring(step), radius + (spread * step / steps));
    if (step > 1) {
      roundedRectangle(ring(step - 1), radius + (spread * (step - 1) / steps));
    } else {
      roundedRectangle(rect, radius);
    }
    cairo_set_fill_rule(cairo_, CAIRO_FILL_RULE_EVEN_ODD);
    fill({0, 0, 0, 1 - clear});
    cairo_set_fill_rule(cairo_, CAIRO_FILL_RULE_WINDING);
  }
}

void Canvas::text(std::string_view line, const platform::Font& font, const Rgba& color, double left,
                  double top, double width, TextAlign align) const {
  if (line.empty() || color.alpha <= 0) {
    return;
  }
  const std::unique_ptr<PangoLayout, decltype(&g_object_unref)> layout(
      pango_cairo_create_layout(cairo_), &g_object_unref);
  const std::unique_ptr<cairo_font_options_t, decltype(&cairo_font_options_destroy)> options(
      cairo_font_options_create(), &cairo_font_options_destroy);
  cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
  pango_cairo_context_set_font_options(pango_layout_get_context(layout.get()), options.get());
  pango_context_set_round_glyph_positions(pango_layout_get_context(layout.get()), FALSE);

  const std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)> description(
      pango_font_description_from_string("Inter, DejaVu Sans"), &pango_font_description_free);
  pango_font_description_set_absolute_size(description.get(), font.pointSize * PANGO_SCALE);
  pango_font_description_set_weight(description.get(), pangoWeight(font.weight));
  pango_layout_set_font_description(layout.get(), description.get());
  pango_layout_set_text(layout.get(), line.data(), static_cast<int>(line.size()));
  pango_layout_set_single_paragraph_mode(layout.get(), TRUE);

  PangoRectangle logical{};
  pango_layout_get_extents(layout.get(), nullptr, &logical);
  const double drawnWidth = static_cast<double>(logical.width) / PANGO_SCALE;
  const double drawnHeight = static_cast<double>(logical.height) / PANGO_SCALE;
  const double modelWidth = platform::textWidth(line, font);
  const double across = drawnWidth > 0 ? modelWidth / drawnWidth : 1;
  double x = left;
  if (align == TextAlign::center) {
    x += (width - modelWidth) / 2;
  } else if (align == TextAlign::right) {
    x += width - modelWidth;
  }

  const SavedState saved(cairo_);
  cairo_translate(cairo_, x, top + ((platform::lineHeight(font) - drawnHeight) / 2));
  cairo_scale(cairo_, across, 1);
  setSource(cairo_, color);
  // The layout keeps the shapes it was measured with: drawn under the scale, it is stretched
  // (updating it to the new transform would set it at its own width again).
  pango_cairo_show_layout(cairo_, layout.get());
}

}  // namespace desktop
