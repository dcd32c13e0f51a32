#include "reminder/remind_dlg.h"

#include "forms/remind_dlg_layout.h"
#include "reminder/language.h"
#include "shell/identities.h"

namespace reminder {
namespace layout = forms::remind_dlg;

TRemindDlg::TRemindDlg(tk::Application& app, shell::Services& services)
    : tk::Form(app, shell::kReminderName),
      TntLabel1(*this, layout::kTntLabel1),
      TntCheckBox1(*this, layout::kTntCheckBox1, layout::kCheckBoxTicked),
      TntBitBtn1(*this, layout::kTntBitBtn1),
      RemindTimer(*this, layout::FIRST_SHOW_INTERVAL, false, [this] { RemindTimerTimer(); }),
      Timer1(*this, layout::kTimer1Interval, true, [this] { Timer1Timer(); }),
      services_(services) {
  // Most starts never remind: the controls and what they load come with the first show.
  MakeControlsAtFirstShow();
  // The language font replaces the designed one everywhere.
  for (tk::Control* c : {&TntLabel1, static_cast<tk::Control*>(&TntBitBtn1), static_cast<tk::Control*>(&TntCheckBox1)})
    c->SetFont(services_.state.language_font);
}

tk::WindowDesign TRemindDlg::Design() const {
  tk::WindowDesign design;
  design.class_name = shell::kReminderClass;
  design.title = "";
  // A fixed dialog frame without system menu or caption buttons.
  design.style = tk::kWsPopup | tk::kWsDlgFrame;
  design.ex_style = tk::kWsExDlgModalFrame | tk::kWsExTopmost;
  design.bounds = tk::Rect::At(0, 0, layout::kClientWidth, layout::kClientHeight);
  design.client_size = true;
  design.dialog_keys = true;
  return design;
}

void TRemindDlg::TntFormCreate() {
  FitClientToDpi();
  SetFont(services_.state.language_font);
  const std::u16string_view file(services_.state.message_file_name.data());
  if (!services_.files->Exists(file)) return;  // the designed English texts stay
  TntLabel1.SetText(ReadMessageText(*services_.files, u"MSG", 32, file));
  TntCheckBox1.SetText(ReadMessageText(*services_.files, u"MSG", 75, file));
  TntBitBtn1.SetText(ReadMessageText(*services_.files, u"MSG", 76, file));
}

void TRemindDlg::TntFormShow() {
  if (!placed_) {
    // Centred on the desktop the first time it shows.
    const tk::Rect desk = services_.desktop->WorkArea();
    const tk::Rect r = Bounds();
    SetBounds(tk::Rect::At(desk.left + (desk.Width() - r.Width()) / 2, desk.top + (desk.Height() - r.Height()) / 2,
                           r.Width(), r.Height()));
    placed_ = true;
  }
  Platform().SetExStyle(Handle(), layout::kShownExStyle);
}

void TRemindDlg::FitClientToDpi() { SetClientSize(Scale(layout::kClientWidth), Scale(layout::kClientHeight)); }

void TRemindDlg::DpiChanged(int dpi, tk::Rect suggested) {
  tk::Form::DpiChanged(dpi, suggested);
  FitClientToDpi();  // the platform's proposal may be a pixel off the designed size at this scale
}

// Visible and at the front of the z-order, never taking the keyboard focus.
void TRemindDlg::ShowReminder() { Show(); }

void TRemindDlg::Timer1Timer() {
  if (Visible()) ShowReminder();
}

void TRemindDlg::RemindTimerTimer() {
  if (RemindTimer.Interval() == layout::FIRST_SHOW_INTERVAL) {
    ShowReminder();
    RemindTimer.SetInterval(layout::REPEAT_INTERVAL);
  }
  std::uint32_t& count = services_.state.reminder_count;
  ++count;
  if (count >= layout::REMIND_EVERY_TICKS) {
    count = 0;
    RemindTimer.SetInterval(layout::REPEAT_INTERVAL);
    ShowReminder();
  }
}

void TRemindDlg::Command(int control_id) {
  if (control_id == TntBitBtn1.Id()) TntBitBtn1Click();
}

void TRemindDlg::TntBitBtn1Click() { Close(); }

void TRemindDlg::TntFormClose() {
  RemindTimer.Stop();
  if (TntCheckBox1.Checked()) {
    RemindTimer.SetInterval(layout::REPEAT_INTERVAL);
    RemindTimer.Start();  // a new minute period starts now
  } else {
    RemindTimer.SetInterval(layout::FIRST_SHOW_INTERVAL);
  }
}

}  // namespace reminder
