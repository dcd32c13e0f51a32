#pragma once
// The shared state of the headless backends: one lock, one change signal and a virtual clock.
// Readers wait on it, tests advance it. The only real clock is the deadline of a test's wait:
// a wait that is not over within it ends the run with a message naming what did not happen.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

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
  static constexpr std::chrono::seconds kTestDeadline{5};

  // Waits until `ready()` holds; `ready` runs with the lock held. Not over within the deadline:
  // the run ends, naming `what`.
  template <class Ready>
  void WaitUntil(const std::string& what, Ready ready) {
    std::unique_lock lock(mutex);
    if (!changed.wait_for(lock, kTestDeadline, ready)) TimedOut(what);
  }
  [[noreturn]] static void TimedOut(const std::string& what) {
    std::fprintf(stderr, "FAILED: waited %lld s, and %s\n", static_cast<long long>(kTestDeadline.count()), what.c_str());
    std::fflush(stderr);
    std::abort();
  }

  std::mutex mutex;
  std::condition_variable changed;
  std::uint64_t now_ms = 0;  // guarded by mutex
};

}  // namespace kbdlink::headless
