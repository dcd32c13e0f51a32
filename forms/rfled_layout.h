#pragma once
#include "picture_ids.h"
#include "toolkit/geometry.h"

// The indicator strip's form: its size, shapes and the three lock-key pictures.
namespace forms::rfled {

inline constexpr int kWidth = 98;
inline constexpr int kFullHeight = 36;

struct ShapeRow {
  tk::Rect bounds;
  tk::Color fill;
};

inline constexpr ShapeRow kShape1{tk::Rect::At(0, 0, 98, 36), {30, 30, 30}};
// Battery bars: below the strip, so never inside the window.
inline constexpr ShapeRow kShape2{tk::Rect::At(52, 174, 18, 9), {0, 255, 0}};
inline constexpr ShapeRow kShape3{tk::Rect::At(96, 174, 18, 9), {0, 255, 0}};
inline constexpr ShapeRow kShape4{tk::Rect::At(140, 174, 18, 9), {128, 128, 128}};
inline constexpr ShapeRow kShape5{tk::Rect::At(183, 174, 18, 9), {128, 128, 128}};

struct LedRow {
  tk::Rect bounds;
  int on;
  int off;
};

inline constexpr LedRow kNumLed{tk::Rect::At(5, 6, 24, 24), kPicNumOn, kPicNumOff};
inline constexpr LedRow kCapsLed{tk::Rect::At(36, 6, 24, 24), kPicCapsOn, kPicCapsOff};
inline constexpr LedRow kScrollLed{tk::Rect::At(67, 6, 24, 24), kPicScrollOn, kPicScrollOff};

}  // namespace forms::rfled
