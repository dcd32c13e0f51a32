#include "wminput/lock_keys.h"

namespace wminput {
namespace {

int LockIndex(uint32_t vk) {
  switch (vk) {
    case kVkNumLock: return 0;
    case kVkCapital: return 1;
    case kVkScroll: return 2;
    default: return -1;
  }
}

}  // namespace

bool IsNewLockPress(LockKeys& keys, uint32_t vk, bool key_up, uint32_t time_ms) {
  const int i = LockIndex(vk);
  if (i < 0) return false;
  if (key_up) {
    keys.down[i] = false;
    return false;
  }
  // Unsigned difference: right across the clock's wrap.
  const bool repeat = keys.down[i] && time_ms - keys.last_down_ms[i] <= kRepeatSilenceMs;
  keys.down[i] = true;
  keys.last_down_ms[i] = time_ms;
  return !repeat;
}

}  // namespace wminput
