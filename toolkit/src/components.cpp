#include "toolkit/components.h"

#include <utility>

#include "toolkit/application.h"
#include "toolkit/form.h"

namespace tk {

Control::Control(Form& owner, ControlDesign design) : owner_(owner), design_(std::move(design)) { owner_.AddControl(this); }

void Control::Make() {
  ControlDesign at_dpi = design_;
  at_dpi.bounds = Bounds();
  handle_ = owner_.Platform().NewControl(owner_.Handle(), at_dpi);
  owner_.Platform().SetFont(handle_, font_);
  Made();
}

Rect Control::Bounds() const { return owner_.Scale(design_.bounds); }

void Control::Layout() {
  if (handle_ == 0) return;
  owner_.Platform().SetBounds(handle_, Bounds());
  owner_.Platform().SetFont(handle_, font_);  // the font's pixel height follows the DPI
}

void Control::SetText(std::u16string text) {
  design_.text = std::move(text);
  if (handle_) owner_.Platform().SetControlText(handle_, design_.text);
}

std::u16string Control::Text() const { return handle_ ? owner_.Platform().ControlText(handle_) : design_.text; }

void Control::SetFont(const Font& font) {
  font_ = font;
  if (handle_) owner_.Platform().SetFont(handle_, font_);
}

CheckBox::CheckBox(Form& owner, ControlDesign design, bool checked) : Control(owner, std::move(design)), initial_(checked) {}

bool CheckBox::Checked() const { return Handle() ? owner_.Platform().Checked(Handle()) : initial_; }

void CheckBox::SetChecked(bool checked) {
  initial_ = checked;
  if (Handle()) owner_.Platform().SetChecked(Handle(), checked);
}

TrayIcon::TrayIcon(Form& owner, int icon_resource) : owner_(owner), icon_(icon_resource) {}

TrayIcon::~TrayIcon() { Hide(); }

void TrayIcon::Show() {
  if (shown_ || owner_.Handle() == 0) return;
  shown_ = owner_.Platform().AddTrayIcon(owner_.Handle(), TrayIconDesign{icon_, ""});
}

void TrayIcon::Hide() {
  if (!shown_) return;
  owner_.Platform().DeleteTrayIcon(owner_.Handle());
  shown_ = false;
}

void TrayIcon::ShowAgain() {
  if (!shown_) return;
  Hide();  // lets the backend release what it held for the lost icon
  Show();
}

void TrayIcon::Dispatch(const MouseEvent& e) {
  if (e.action == MouseAction::Down) {
    if (on_mouse_down) on_mouse_down(e.button);
  } else if (e.action == MouseAction::DoubleClick) {
    owner_.App().Restore();
  }
}

}  // namespace tk
