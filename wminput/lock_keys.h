#pragma once
#include <stdint.h>

// Which key events are new presses of a lock key. Plain C-style: the input component is built
// without the C++ runtime.
namespace wminput {

inline constexpr uint32_t kVkCapital = 0x14;
inline constexpr uint32_t kVkNumLock = 0x90;
inline constexpr uint32_t kVkScroll = 0x91;

// A held key repeats its key-down at least this often (the longest repeat delay Windows offers is
// 1 s); a key-down after a longer silence is a new press even when its key-up never came.
inline constexpr uint32_t kRepeatSilenceMs = 1500;

struct LockKeys {
  bool down[3];
  uint32_t last_down_ms[3];  // message time of each key's latest key-down
};

// True when the event is a new press of Num Lock, Caps Lock or Scroll Lock: a key-down after
// its key-up, or after a silence longer than any auto-repeat. `time_ms` is the event's
// millisecond clock, which may wrap.
bool IsNewLockPress(LockKeys& keys, uint32_t vk, bool key_up, uint32_t time_ms);

}  // namespace wminput
