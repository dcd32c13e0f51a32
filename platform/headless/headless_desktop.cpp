#include "platform/headless_desktop.h"

namespace plat {

std::int16_t HeadlessDesktop::KeyState(int virtual_key) {
  if (virtual_key < 0 || virtual_key > 255) return 0;
  const std::uint8_t b = keyboard[static_cast<std::size_t>(virtual_key)];
  // Pressed keys report the high bit, toggled keys the low bit.
  return static_cast<std::int16_t>(((b & 0x80) ? 0x8000 : 0) | (b & 1));
}

void HeadlessDesktop::SetToggled(int virtual_key, bool on) {
  auto& b = keyboard[static_cast<std::size_t>(virtual_key & 0xFF)];
  b = static_cast<std::uint8_t>(on ? (b | 1) : (b & ~1));
}

}  // namespace plat
