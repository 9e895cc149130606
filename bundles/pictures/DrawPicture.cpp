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
#include <utility>

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

// Stacked cards with a spark: what the installer brings.
void sparkles(cairo_t* cairo) {
  const Colour ink{0.36, 0.30, 0.78};
  for (const auto& [offset, alpha] : {std::pair{24.0, 0.35}, std::pair{12.0, 0.6}}) {
    roundedRectangle(cairo, 456 + offset, 190 - offset, 128, 90, 14);
    fill(cairo, ink, alpha);
  }
  roundedRectangle(cairo, 456, 190, 128, 90, 14);
  fill(cairo, ink);
  // A four-pointed spark above the cards.
  cairo_move_to(cairo, 560, 110);
  cairo_curve_to(cairo, 566, 136, 570, 140, 596, 146);
  cairo_curve_to(cairo, 570, 152, 566, 156, 560, 182);
  cairo_curve_to(cairo, 554, 156, 550, 152, 524, 146);
  cairo_curve_to(cairo, 550, 140, 554, 136, 560, 110);
  fill(cairo, {0.98, 0.74, 0.26});
}

// A keyboard with its keys: the shortcut to remember.
void keyboard(cairo_t* cairo) {
  const Colour ink{0.20, 0.46, 0.52};
  roundedRectangle(cairo, 432, 170, 176, 104, 16);
  fill(cairo, ink);
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 6; ++column) {
      roundedRectangle(cairo, 446 + column * 25.5, 184 + row * 24, 19, 17, 4);
      fill(cairo, {1, 1, 1}, 0.88);
    }
  }
  roundedRectangle(cairo, 484, 256, 72, 10, 4);
  fill(cairo, {1, 1, 1}, 0.88);
}

const std::map<std::string, std::function<void(cairo_t*)>>& pictures() {
  static const std::map<std::string, std::function<void(cairo_t*)>> all = {
      {"installer-hero",
       [](cairo_t* cairo) {
         background(cairo, {0.84, 0.80, 0.98}, {0.48, 0.40, 0.88});
         card(cairo);
         sparkles(cairo);
       }},
      {"installer-shortcuts",
       [](cairo_t* cairo) {
         background(cairo, {0.78, 0.94, 0.92}, {0.30, 0.62, 0.66});
         card(cairo);
         keyboard(cairo);
       }},
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
