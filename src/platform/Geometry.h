#pragma once
// Pixel positions and rectangles of windows, controls and the screen.

namespace quadrell {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int Right() const { return x + width; }
  int Bottom() const { return y + height; }
  bool Contains(Point p) const { return p.x >= x && p.y >= y && p.x < x + width && p.y < y + height; }
  bool operator==(const Rect&) const = default;
};

}  // namespace quadrell
