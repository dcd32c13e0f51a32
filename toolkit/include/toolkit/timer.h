#pragma once
#include <cstdint>
#include <functional>

namespace tk {

class Form;

// A window-message timer of its form. Setting the interval or the running state to the
// value it already has changes nothing, so a pending tick is neither moved nor cancelled;
// starting a stopped timer, or changing a running one's interval, counts from zero again;
// an interval of 0 never ticks.
class Timer {
 public:
  Timer(Form& owner, std::uint32_t interval_ms, bool enabled, std::function<void()> on_timer);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  void SetInterval(std::uint32_t interval_ms);
  void SetEnabled(bool enabled);
  void Start() { SetEnabled(true); }
  void Stop() { SetEnabled(false); }

  std::uint32_t Interval() const { return interval_; }
  bool Enabled() const { return enabled_; }
  // True when a tick is pending: running with a non-zero interval.
  bool Ticking() const { return enabled_ && interval_ != 0; }

 private:
  friend class Form;
  void Apply();
  void Fire();

  Form& owner_;
  int id_;
  std::uint32_t interval_;
  bool enabled_;
  std::function<void()> on_timer_;
};

}  // namespace tk
