#include "reminder/remind_dlg.h"

#include "shell/identities.h"

namespace reminder {

TRemindDlg::TRemindDlg(tk::Application& app, shell::Services& services)
    : tk::Form(app, shell::kReminderName), services_(services) {}

tk::WindowSpec TRemindDlg::Spec() const {
  tk::WindowSpec spec;
  spec.class_name = shell::kReminderClass;
  spec.title = "";
  spec.style = tk::kWsPopup | tk::kWsDlgFrame;
  spec.ex_style = tk::kWsExTopmost;
  spec.bounds = tk::Rect::At(0, 0, 405, 98);
  spec.client_size = true;
  return spec;
}

}  // namespace reminder
