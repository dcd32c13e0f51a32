#pragma once
#include <string_view>

#include "toolkit/geometry.h"

namespace tk {

class Font;

// Drawing surface handed to a form while it paints.
class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual void FillRect(Rect r, Color fill) = 0;
  virtual void FrameRect(Rect r, Color border) = 0;
  virtual void DrawPicture(int picture_resource, Point at) = 0;
};

}  // namespace tk
