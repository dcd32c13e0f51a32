#pragma once
#include <array>
#include <cstdint>

#include "toolkit/geometry.h"

// What the strip and the controller read from the desktop: the work area and the keys.
namespace plat {

inline constexpr int kVkCapital = 0x14;
inline constexpr int kVkNumLock = 0x90;
inline constexpr int kVkScroll = 0x91;

class Desktop {
 public:
  virtual ~Desktop() = default;
  // The primary display's work area (right and bottom exclusive).
  virtual tk::Rect WorkArea() = 0;
  // GetKeyState's value for a virtual key: the lowest bit is the toggle state.
  virtual std::int16_t KeyState(int virtual_key) = 0;
  // GetKeyboardState's 256-byte table.
  virtual std::array<std::uint8_t, 256> KeyboardState() = 0;
};

}  // namespace plat
