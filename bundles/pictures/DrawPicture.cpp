// Draws the programs' illustrations at build time, so the bundles carry real pictures made from
// this source and nothing else:  draw_picture <name> <file.png>
// Each picture is 1040 by 440 pixels: a 520 by 220 point panel at a backing scale of 2.

#include <cairo.h>

#include <array>
#include <cmath>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <numbers>
#include <string>

namespace {

constexpr int width = 1040;
constexpr int height = 440;

struct Colour {
  double red;
  double green;
  double blue;
};

void fill(cairo_t* cairo, Colour colour, double alpha = 1.0) {
  cairo_set_source_rgba(cairo, colour.red, colour.green, colour.blue, alpha);
  cairo_fill(cairo);
}

void roundedRectangle(cairo_t* cairo, double x, double y, double w, double h, double radius) {
  constexpr double quarter = std::numbers::pi / 2;
  cairo_new_sub_path(cairo);
  cairo_arc(cairo, x + w - radius, y + radius, radius, -quarter, 0);
  cairo_arc(cairo, x + w - radius, y + h - radius, radius, 0, quarter);
  cairo_arc(cairo, x + radius, y + h - radius, radius, quarter, 2 * quarter);
  cairo_arc(cairo, x + radius, y + radius, radius, 2 * quarter, 3 * quarter);
  cairo_close_path(cairo);
}

// A soft diagonal gradient with a few translucent circles, in the picture's two colours.
void background(cairo_t* cairo, Colour from, Colour to) {
  const std::unique_ptr<cairo_pattern_t, decltype(&cairo_pattern_destroy)> gradient(
      cairo_pattern_create_linear(0, 0, width, height), &cairo_pattern_destroy);
  cairo_pattern_add_color_stop_rgb(gradient.get(), 0, from.red, from.green, from.blue);
  cairo_pattern_add_color_stop_rgb(gradient.get(), 1, to.red, to.green, to.blue);
  cairo_rectangle(cairo, 0, 0, width, height);
  cairo_set_source(cairo, gradient.get());
  cairo_fill(cairo);
  for (const auto& [x, y, r] : {std::array{120.0, 360.0, 150.0}, std::array{900.0, 70.0, 120.0},
                                std::array{980.0, 400.0, 90.0}}) {
    cairo_arc(cairo, x, y, r, 0, 2 * std::numbers::pi);
    fill(cairo, {1, 1, 1}, 0.08);
  }
}

// A card in the middle that holds the picture's symbol.
void card(cairo_t* cairo) {
  roundedRectangle(cairo, 400, 90, 240, 260, 36);
  fill(cairo, {1, 1, 1}, 0.92);
}

// A waste bin with its lid lifted: what leaves the Mac.
void trash(cairo_t* cairo) {
  const Colour ink{0.82, 0.24, 0.22};
  roundedRectangle(cairo, 470, 130, 100, 18, 8);
  fill(cairo, ink);
  roundedRectangle(cairo, 500, 116, 40, 18, 6);
  fill(cairo, ink);
  cairo_move_to(cairo, 478, 160);
  cairo_line_to(cairo, 562, 160);
  cairo_line_to(cairo, 552, 300);
  cairo_line_to(cairo, 488, 300);
  cairo_close_path(cairo);
  fill(cairo, ink);
  for (const double x : {503.0, 520.0, 537.0}) {
    roundedRectangle(cairo, x - 4, 178, 8, 100, 4);
    fill(cairo, {1, 1, 1}, 0.85);
  }
}

// A drive with a minus badge: the data that goes too.
void drive(cairo_t* cairo) {
  const Colour ink{0.27, 0.36, 0.62};
  roundedRectangle(cairo, 450, 190, 140, 80, 16);
  fill(cairo, ink);
  for (const double x : {478.0, 502.0}) {
    cairo_arc(cairo, x, 250, 7, 0, 2 * std::numbers::pi);
    fill(cairo, {1, 1, 1}, 0.9);
  }
  cairo_arc(cairo, 590, 180, 34, 0, 2 * std::numbers::pi);
  fill(cairo, {0.82, 0.24, 0.22});
  roundedRectangle(cairo, 570, 174, 40, 12, 6);
  fill(cairo, {1, 1, 1});
}

const std::map<std::string, std::function<void(cairo_t*)>>& pictures() {
  static const std::map<std::string, std::function<void(cairo_t*)>> all = {
      {"uninstaller-hero",
       [](cairo_t* cairo) {
         background(cairo, {0.98, 0.80, 0.72}, {0.86, 0.42, 0.42});
         card(cairo);
         trash(cairo);
       }},
      {"uninstaller-data",
       [](cairo_t* cairo) {
         background(cairo, {0.78, 0.86, 0.98}, {0.42, 0.52, 0.86});
         card(cairo);
         drive(cairo);
       }},
  };
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: draw_picture <name> <file.png>\n";
    return 2;
  }
  const std::string name = argv[1];  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
  const auto picture = pictures().find(name);
  if (picture == pictures().end()) {
    std::cerr << "draw_picture: no picture called " << name << "\n";
    return 2;
  }
  const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height), &cairo_surface_destroy);
  const std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cairo(cairo_create(surface.get()),
                                                                 &cairo_destroy);
  picture->second(cairo.get());
  cairo_surface_flush(surface.get());
  // NOLINTNEXTLINE(cppcoreguidelines-pro-bounds-pointer-arithmetic): the output file argument
  if (cairo_surface_write_to_png(surface.get(), argv[2]) != CAIRO_STATUS_SUCCESS) {
    std::cerr << "draw_picture: cannot write " << argv[2] << "\n";  // NOLINT
    return 1;
  }
  return 0;
}
