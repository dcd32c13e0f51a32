#include "shell/battery_poll.h"

#include <array>

#include "display/rfled.h"
#include "forms/remind_dlg_layout.h"
#include "reminder/remind_dlg.h"
#include "shell/identities.h"
#include "shell/setup_frm.h"
#include "toolkit/application.h"

namespace shell {
namespace {

constexpr tk::Color kGrey{128, 128, 128};
constexpr tk::Color kRed{255, 0, 0};
constexpr tk::Color kLime{0, 255, 0};

}  // namespace

// Byte 1 of the answer is the status; a query nobody answered reads 0.
std::uint8_t TSetupFrm::QueryStatus(std::uint32_t usage, std::uint8_t report_id) {
  std::array<std::uint8_t, battery_poll::kRequestSize> request{};
  request[0] = report_id;
  if (services_.get_features)
    services_.get_features(battery_poll::kKeyboardVendorId, battery_poll::kKeyboardProductId, battery_poll::kUsagePage,
                           usage, request.data());
  return request[1];
}

void TSetupFrm::Timer3Timer() {
  namespace poll = battery_poll;
  Timer3.SetInterval(0);  // no second round while this one runs
  display::TRFLed* strip = Indicator();
  auto* dialog = dynamic_cast<reminder::TRemindDlg*>(App().FindForm(kReminderName));
  auto colour = [strip](tk::Shape display::TRFLed::*shape, tk::Color c) {
    if (strip) (strip->*shape).fill = c;
  };

  const std::uint8_t a = QueryStatus(poll::kQueryA.usage, poll::kQueryA.report_id);
  if (a <= 2)
    colour(&display::TRFLed::Shape4, kGrey);
  else if (a == 4)
    colour(&display::TRFLed::Shape4, kRed);
  else
    colour(&display::TRFLed::Shape5, kLime);

  const std::uint8_t b = QueryStatus(poll::kQueryB.usage, poll::kQueryB.report_id);
  if (b <= 2) {
    colour(&display::TRFLed::Shape4, kGrey);
    if (dialog) {
      if (b == 0)
        dialog->RemindTimer.Stop();  // its interval stays, so a later start resumes the minute count
      else if (dialog->TntCheckBox1.Checked())
        dialog->RemindTimer.Start();
    }
  } else {
    colour(b == 4 ? &display::TRFLed::Shape4 : &display::TRFLed::Shape5, b == 4 ? kRed : kLime);
    if (dialog) {
      dialog->RemindTimer.Stop();
      dialog->RemindTimer.SetInterval(forms::remind_dlg::FIRST_SHOW_INTERVAL);
    }
  }
  Timer3.SetInterval(services_.state.poll_interval);
}

void TSetupFrm::FirstRoundTimer() {
  Timer1.Stop();
  Timer3.Start();
  Timer3Timer();
}

}  // namespace shell
