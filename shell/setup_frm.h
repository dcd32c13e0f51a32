#pragma once
#include "shell/services.h"
#include "toolkit/components.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"

namespace display {
class TRFLed;
}

namespace shell {

// The hidden controller window: the program's address for other starts and for the input
// component, the owner of the tray icon, and the host of the battery poll.
class TSetupFrm final : public tk::Form {
 public:
  TSetupFrm(tk::Application& app, Services& services);

  tk::TrayIcon TrayIcon1;
  tk::Timer Timer3;  // battery poll
  tk::Timer Timer4;  // re-read of the lock keys shortly after a notification
  tk::Timer Timer1;  // one-shot after creation that starts the battery poll

 protected:
  tk::WindowDesign Design() const override;
  void FormCreate() override;
  void FormDestroy() override;
  bool HandleMessage(const tk::Message& m, std::intptr_t& result) override;
  void TrayInput(const tk::MouseEvent& e) override { TrayIcon1.Dispatch(e); }

 private:
  void TrayIcon1MouseDown(tk::MouseButton button);
  void LocksChanged();
  void Timer3Timer();
  void Timer4Timer();
  void FirstRoundTimer();
  std::uint8_t QueryStatus(std::uint32_t usage, std::uint8_t report_id);
  display::TRFLed* Indicator() const;
  std::uint8_t SampleLockKeys() const;

  Services& services_;
};

}  // namespace shell
