#pragma once
// The shared state of the headless backends: one lock, one change signal and a virtual clock.
// Readers wait on it, tests advance it; nothing here reads a real clock.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace kbdlink::headless {

class World {
 public:
  std::uint64_t Now() {
    std::lock_guard lock(mutex);
    return now_ms;
  }
  void Advance(std::uint64_t ms) {
    {
      std::lock_guard lock(mutex);
      now_ms += ms;
    }
    changed.notify_all();
  }
  // Waits until `ready()` holds; `ready` runs with the lock held.
  template <class Ready>
  void WaitUntil(Ready ready) {
    std::unique_lock lock(mutex);
    changed.wait(lock, ready);
  }

  std::mutex mutex;
  std::condition_variable changed;
  std::uint64_t now_ms = 0;  // guarded by mutex
};

}  // namespace kbdlink::headless
