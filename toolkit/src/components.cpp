#include "toolkit/components.h"

#include "toolkit/application.h"
#include "toolkit/form.h"

namespace tk {

TrayIcon::TrayIcon(Form& owner, int icon_resource) : owner_(owner), icon_(icon_resource) {}

TrayIcon::~TrayIcon() { Hide(); }

void TrayIcon::Show() {
  if (shown_ || owner_.Handle() == 0) return;
  shown_ = owner_.Platform().AddTrayIcon(owner_.Handle(), TrayIconSpec{icon_, ""});
}

void TrayIcon::Hide() {
  if (!shown_) return;
  owner_.Platform().DeleteTrayIcon(owner_.Handle());
  shown_ = false;
}

void TrayIcon::Dispatch(const MouseEvent& e) {
  if (e.action == MouseAction::Down) {
    if (on_mouse_down) on_mouse_down(e.button);
  } else if (e.action == MouseAction::DoubleClick) {
    owner_.App().Restore();
  }
}

}  // namespace tk
