#pragma once
#include "shell/services.h"
#include "toolkit/components.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"

namespace reminder {

// The battery reminder: hidden until its own timer shows it. The battery poll only switches
// RemindTimer, arms the first show and reads the check box.
class TRemindDlg final : public tk::Form {
 public:
  TRemindDlg(tk::Application& app, shell::Services& services);

  tk::Control TntLabel1;
  tk::CheckBox TntCheckBox1;
  tk::Control TntBitBtn1;
  tk::Timer RemindTimer;
  tk::Timer Timer1;

 protected:
  tk::WindowDesign Design() const override;
  void FormCreate() override { TntFormCreate(); }
  void FormShow() override { TntFormShow(); }
  void FormClose() override { TntFormClose(); }
  void Command(int control_id) override;
  void DpiChanged(int dpi, tk::Rect suggested) override;

 private:
  void TntFormCreate();
  void TntFormShow();
  void TntFormClose();
  void TntBitBtn1Click();
  void Timer1Timer();
  void RemindTimerTimer();
  void ShowReminder();
  void FitClientToDpi();

  shell::Services& services_;
  bool placed_ = false;
};

}  // namespace reminder
