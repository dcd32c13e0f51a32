#include "toolkit/timer.h"

#include <utility>

#include "toolkit/form.h"

namespace tk {

Timer::Timer(Form& owner, std::uint32_t interval_ms, bool enabled, std::function<void()> on_timer)
    : owner_(owner), id_(0), interval_(interval_ms), enabled_(enabled), on_timer_(std::move(on_timer)) {
  id_ = owner_.AddTimer(this);
  Apply();
}

Timer::~Timer() {
  if (owner_.Handle() != 0) owner_.Platform().DisarmTimer(owner_.Handle(), id_);
  owner_.RemoveTimer(this);
}

void Timer::SetInterval(std::uint32_t interval_ms) {
  if (interval_ms == interval_) return;
  interval_ = interval_ms;
  Apply();
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Apply();
}

// Arming an armed timer again restarts its countdown, which is what a real change asks for.
void Timer::Apply() {
  if (owner_.Handle() == 0) return;  // armed when the window is made
  if (Ticking())
    owner_.Platform().ArmTimer(owner_.Handle(), id_, interval_);
  else
    owner_.Platform().DisarmTimer(owner_.Handle(), id_);
}

void Timer::Fire() {
  // A tick already retrieved from the queue may arrive after the timer was stopped.
  if (Ticking() && on_timer_) on_timer_();
}

}  // namespace tk
