#pragma once

#include <string>

#include <nlohmann/json_fwd.hpp>

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

// How the desktop describes colours ({"role", "alpha"}) and fonts ({"size", "weight"}: "regular",
// "medium", "semibold" or "bold").
void to_json(nlohmann::json& description, const Color& color);
void to_json(nlohmann::json& description, const Font& font);

}  // namespace platform
