#pragma once
#include "platform/desktop.h"

namespace plat {

// A desktop whose work area and keys the tests set.
class HeadlessDesktop final : public Desktop {
 public:
  tk::Rect WorkArea() override { return work_area; }
  std::int16_t KeyState(int virtual_key) override;
  std::array<std::uint8_t, 256> KeyboardState() override { return keyboard; }

  // Sets a key's toggle state as GetKeyState and GetKeyboardState would report it.
  void SetToggled(int virtual_key, bool on);

  tk::Rect work_area{0, 0, 1280, 984};
  std::array<std::uint8_t, 256> keyboard{};
};

}  // namespace plat
