#pragma once
#include <cstdint>

#include "toolkit/geometry.h"

// Every pixel figure of the forms is a figure for a 96-DPI display; a window on a monitor of
// another scale takes them through these helpers, rounded to whole pixels.
namespace tk {

inline constexpr int kDefaultDpi = 96;

// value * dpi / 96, rounded half away from zero as MulDiv rounds.
constexpr int ScaleForDpi(int value, int dpi) {
  const std::int64_t product = static_cast<std::int64_t>(value) * dpi;
  const std::int64_t half = kDefaultDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kDefaultDpi : -((-product + half) / kDefaultDpi));
}

// Scales the corner and the size separately, so that a rectangle keeps its scaled size
// wherever it stands.
constexpr Rect ScaleForDpi(Rect r, int dpi) {
  return Rect::At(ScaleForDpi(r.left, dpi), ScaleForDpi(r.top, dpi), ScaleForDpi(r.Width(), dpi),
                  ScaleForDpi(r.Height(), dpi));
}

}  // namespace tk
