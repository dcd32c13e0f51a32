#include "shell/setup_frm.h"

#include "display/rfled.h"
#include "forms/setup_frm_layout.h"
#include "shell/battery_poll.h"
#include "shell/controller_messages.h"
#include "shell/identities.h"
#include "toolkit/application.h"

namespace shell {
namespace {

constexpr std::uint32_t kRereadMs = 100;

}  // namespace

TSetupFrm::TSetupFrm(tk::Application& app, Services& services)
    : tk::Form(app, kControllerName),
      TrayIcon1(*this, forms::setup_frm::kImageList1[forms::setup_frm::kTrayImageIndex]),
      Timer3(*this, forms::setup_frm::kTimer3Interval, false, [this] { Timer3Timer(); }),
      Timer4(*this, forms::setup_frm::kTimer4Interval, false, [this] { Timer4Timer(); }),
      Timer1(*this, battery_poll::kFirstRoundDelayMs, true, [this] { FirstRoundTimer(); }),
      services_(services) {
  TrayIcon1.on_mouse_down = [this](tk::MouseButton b) { TrayIcon1MouseDown(b); };
}

tk::WindowDesign TSetupFrm::Design() const {
  tk::WindowDesign design;
  design.class_name = kControllerClass;
  design.title = kControllerTitle;
  design.style = tk::kWsPopup;
  return design;
}

void TSetupFrm::FormCreate() {
  TrayIcon1.Show();
  Platform().SetVisible(App().Handle(), false);
  if (services_.load_settings) services_.load_settings(App());
  if (services_.attach_input) services_.attach_input(static_cast<std::uint32_t>(Handle()));
}

// To this program's own strip: a search by class and title could find another instance's
// strip and end that instance too.
void TSetupFrm::FormDestroy() {
  if (display::TRFLed* strip = Indicator()) Platform().Post(strip->Handle(), tk::Message{tk::kWmQuit, 0, 0});
  TrayIcon1.Hide();
}

bool TSetupFrm::HandleMessage(const tk::Message& m, std::intptr_t& result) {
  result = 0;
  if (m.msg != 0 && m.msg == services_.state.taskbar_created) {
    // A new shell starts with an empty notification area; without this the icon, and with it
    // the strip's only pop-up, would be gone until the next log-on.
    TrayIcon1.ShowAgain();
    return false;  // default processing as well
  }
  switch (m.msg) {
    case CTLMSG_RELOAD:
      if (services_.reload_settings) services_.reload_settings();
      return true;
    case CTLMSG_LOCKS_CHANGED: LocksChanged(); return true;
    default: return false;  // CTLMSG_SWITCH_P included
  }
}

display::TRFLed* TSetupFrm::Indicator() const {
  return dynamic_cast<display::TRFLed*>(App().FindForm(kStripName));
}

// Later samples use the toggle bit alone.
std::uint8_t TSetupFrm::SampleLockKeys() const {
  std::uint8_t state = 0;
  if (services_.desktop->KeyState(plat::kVkScroll) & 1) state |= display::kScrollLockBit;
  if (services_.desktop->KeyState(plat::kVkNumLock) & 1) state |= display::kNumLockBit;
  if (services_.desktop->KeyState(plat::kVkCapital) & 1) state |= display::kCapsLockBit;
  return state;
}

void TSetupFrm::LocksChanged() {
  if (display::TRFLed* strip = Indicator()) {
    strip->LockState = SampleLockKeys();
    strip->LockChanged();
  }
  Timer4.SetInterval(kRereadMs);
  Timer4.Start();
}

void TSetupFrm::Timer4Timer() {
  Timer4.Stop();
  if (display::TRFLed* strip = Indicator()) {
    strip->LockState = SampleLockKeys();
    strip->UpdateLeds();
  }
}

void TSetupFrm::TrayIcon1MouseDown(tk::MouseButton button) {
  if (button == tk::MouseButton::Middle) return;
  if (display::TRFLed* strip = Indicator()) strip->Popup();
}

}  // namespace shell
