#pragma once

namespace platform {

// Points, sizes and rectangles in points. Frames are relative to the parent view with the origin at
// the bottom left and y growing upwards; screen frames are global.
struct Point {
  double x = 0;
  double y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  double width = 0;
  double height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;

  double maxX() const { return x + width; }
  double maxY() const { return y + height; }
  Size size() const { return {width, height}; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace platform
