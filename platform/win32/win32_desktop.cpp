#include "platform/win32_desktop.h"

#include <windows.h>

namespace plat {
namespace {

class Win32Desktop final : public Desktop {
 public:
  tk::Rect WorkArea() override {
    RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return {r.left, r.top, r.right, r.bottom};
  }
  std::int16_t KeyState(int virtual_key) override { return GetKeyState(virtual_key); }
  std::array<std::uint8_t, 256> KeyboardState() override {
    std::array<std::uint8_t, 256> keys{};
    GetKeyboardState(keys.data());
    return keys;
  }
};

}  // namespace

std::unique_ptr<Desktop> MakeWin32Desktop() { return std::make_unique<Win32Desktop>(); }

}  // namespace plat
