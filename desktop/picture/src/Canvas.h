#pragma once

#include <cairo.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/Appearance.h"
#include "platform/Geometry.h"

namespace desktop {

// A colour as drawn, components from 0 to 1.
struct Rgba {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 1;

  Rgba withAlpha(double factor) const { return {red, green, blue, alpha * factor}; }
};

// How a colour role looks in light appearance, with the colour's own alpha applied. A role the
// desktop does not know is drawn as the label colour.
Rgba rgbaOf(const platform::Color& color);
Rgba roleColor(std::string_view role);

enum class TextAlign { left, center, right };

// Drawing on a cairo context in points, the origin at the top left and y growing downwards.
// Text is set in Inter (or the system's sans-serif face when Inter is missing), each line scaled
// across to the width the platform's text model gives it, so what the programs measured is what
// the picture shows.
class Canvas {
 public:
  explicit Canvas(cairo_t* cairo);

  cairo_t* cairo() const { return cairo_; }

  void roundedRectangle(const platform::Rect& rect, double radius) const;
  void fill(const Rgba& color) const;
  void fillPreserve(const Rgba& color) const;
  void stroke(const Rgba& color, double width) const;
  // A soft shadow under a rounded rectangle.
  void shadow(const platform::Rect& rect, double radius, double spread, double alpha) const;

  // One line of text whose top is at `top`, in a line box of the model's line height, placed in
  // [left, left + width] by the alignment.
  void text(std::string_view line, const platform::Font& font, const Rgba& color, double left,
            double top, double width, TextAlign align) const;

 private:
  cairo_t* cairo_;
};

// Saves the context's state and restores it when it goes.
class SavedState {
 public:
  explicit SavedState(cairo_t* cairo) : cairo_(cairo) { cairo_save(cairo_); }
  ~SavedState() { cairo_restore(cairo_); }
  SavedState(const SavedState&) = delete;
  SavedState& operator=(const SavedState&) = delete;
  SavedState(SavedState&&) = delete;
  SavedState& operator=(SavedState&&) = delete;

 private:
  cairo_t* cairo_;
};

}  // namespace desktop
