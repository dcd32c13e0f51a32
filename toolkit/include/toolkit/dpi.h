#pragma once
#include <cstdint>
#include <iterator>

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

// Pictures are drawn for 100, 125, 150, 175 and 200 %; a DPI takes the nearest of these (the
// larger one on a tie), and anything beyond 200 % takes 200 %. The set for the n-th scale has
// the resource ids of the 100 % set plus n * kScaledResourceStep.
inline constexpr int kPictureScaleDpis[] = {96, 120, 144, 168, 192};
inline constexpr int kScaledResourceStep = 1000;

constexpr int PictureScaleIndex(int dpi) {
  int best = 0;
  for (int i = 1; i < static_cast<int>(std::size(kPictureScaleDpis)); ++i) {
    const int gap = dpi - kPictureScaleDpis[i];
    const int best_gap = dpi - kPictureScaleDpis[best];
    if ((gap < 0 ? -gap : gap) <= (best_gap < 0 ? -best_gap : best_gap)) best = i;
  }
  return best;
}

constexpr int ScaledResource(int resource, int dpi) { return resource + PictureScaleIndex(dpi) * kScaledResourceStep; }

}  // namespace tk
