#pragma once
#include <cstdint>

namespace tk {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// Right and bottom are exclusive, as in the platform's rectangles.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  constexpr int Width() const { return right - left; }
  constexpr int Height() const { return bottom - top; }
  constexpr bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  static constexpr Rect At(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Color {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Color&, const Color&) = default;
};

}  // namespace tk
