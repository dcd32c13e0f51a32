#pragma once
#include "shell/services.h"
#include "toolkit/form.h"

namespace reminder {

// The battery reminder dialog, created hidden, last of the windows.
class TRemindDlg final : public tk::Form {
 public:
  TRemindDlg(tk::Application& app, shell::Services& services);

 protected:
  tk::WindowSpec Spec() const override;

 private:
  shell::Services& services_;
};

}  // namespace reminder
