#pragma once
#include "shell/services.h"
#include "toolkit/form.h"

namespace display {

// The indicator strip: the application's main window, hidden until the tray icon shows it.
class TRFLed final : public tk::Form {
 public:
  TRFLed(tk::Application& app, shell::Services& services);

 protected:
  tk::WindowSpec Spec() const override;
  void FormCreate() override;
  bool FormCloseQuery() override { return false; }  // the strip never closes

 private:
  shell::Services& services_;
};

}  // namespace display
