#pragma once

#include <string>

namespace platform {

// A system colour named by its role ("labelColor", "secondaryLabelColor", "separatorColor",
// "controlBackgroundColor", "controlAccentColor", "systemGreen", "systemRed",
// "windowBackgroundColor", "clear", ...), with an alpha. How a role looks is the desktop's
// business.
struct Color {
  std::string role;
  double alpha = 1.0;

  static Color named(std::string role) { return Color{std::move(role), 1.0}; }
  static Color clear() { return Color{"clear", 0.0}; }
  Color withAlpha(double newAlpha) const { return Color{role, newAlpha}; }
  friend bool operator==(const Color&, const Color&) = default;
};

enum class FontWeight { regular, medium, semibold, bold };

// The system font at a size and weight.
struct Font {
  double pointSize = 13;
  FontWeight weight = FontWeight::regular;

  static Font system(double size, FontWeight weight = FontWeight::regular) {
    return Font{size, weight};
  }
  friend bool operator==(const Font&, const Font&) = default;
};

}  // namespace platform
