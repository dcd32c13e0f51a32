#include "toolkit/form.h"

#include <algorithm>
#include <utility>

#include "toolkit/application.h"
#include "toolkit/components.h"
#include "toolkit/dpi.h"
#include "toolkit/timer.h"

namespace tk {

Form::Form(Application& app, std::string object_name) : app_(app), name_(std::move(object_name)) {}

Form::~Form() { DropWindow(); }

Backend& Form::Platform() const { return app_.Platform(); }

void Form::MakeWindow() {
  handle_ = Platform().NewWindow(Design(), this);
  if (!controls_at_first_show_) MakeControls();
  for (Timer* t : timers_)
    if (t) t->Apply();
}

void Form::MakeControls() {
  if (controls_made_ || handle_ == 0) return;
  controls_made_ = true;
  for (Control* c : controls_) c->Make();
}

void Form::DropWindow() {
  if (handle_ == 0) return;
  for (Timer* t : timers_)
    if (t) Platform().DisarmTimer(handle_, t->id_);
  Platform().DestroyWindow(handle_);
  handle_ = 0;
}

int Form::AddTimer(Timer* t) {
  timers_.push_back(t);
  return static_cast<int>(timers_.size());  // ids start at 1; timers live as long as their form
}

void Form::RemoveTimer(Timer* t) {
  auto it = std::find(timers_.begin(), timers_.end(), t);
  if (it != timers_.end()) *it = nullptr;
}

void Form::OnTimerTick(int timer_id) {
  if (timer_id < 1 || timer_id > static_cast<int>(timers_.size())) return;
  if (Timer* t = timers_[static_cast<std::size_t>(timer_id - 1)]) t->Fire();
}

bool Form::OnWindowMessage(const Message& m, std::intptr_t& result) { return HandleMessage(m, result); }

bool Form::Visible() const { return handle_ != 0 && Platform().IsVisible(handle_); }

void Form::Show() {
  if (handle_ == 0) return;
  if (!Visible()) {
    MakeControls();
    FormShow();
    Platform().SetVisible(handle_, true);
  }
  Platform().BringToFront(handle_);
}

void Form::Hide() {
  if (handle_ != 0) Platform().SetVisible(handle_, false);
}

void Form::Close() { OnCloseQuery(); }

bool Form::OnCloseQuery() {
  if (!FormCloseQuery()) return false;
  FormClose();
  Hide();
  if (app_.MainForm() == this) app_.Terminate();
  return false;  // the window itself stays; forms live until the application ends
}

Rect Form::Bounds() const { return handle_ ? Platform().Bounds(handle_) : Rect{}; }

void Form::SetBounds(Rect r) {
  if (handle_) Platform().SetBounds(handle_, r);
}

void Form::SetLeft(int left) {
  Rect r = Bounds();
  SetBounds(Rect::At(left, r.top, r.Width(), r.Height()));
}

void Form::SetTop(int top) {
  Rect r = Bounds();
  SetBounds(Rect::At(r.left, top, r.Width(), r.Height()));
}

void Form::SetHeight(int height) {
  Rect r = Bounds();
  SetBounds(Rect::At(r.left, r.top, r.Width(), height));
}

void Form::SetClientSize(int width, int height) {
  if (handle_) Platform().SetClientSize(handle_, width, height);
}

void Form::SetFont(const Font& font) {
  if (handle_) Platform().SetFont(handle_, font);
}

void Form::Repaint() {
  if (handle_) Platform().Invalidate(handle_);
}

int Form::Dpi() const { return handle_ ? Platform().Dpi(handle_) : kDefaultDpi; }

int Form::Scale(int value) const { return ScaleForDpi(value, Dpi()); }

Rect Form::Scale(Rect r) const { return ScaleForDpi(r, Dpi()); }

void Form::DpiChanged(int, Rect suggested) {
  SetBounds(suggested);
  for (Control* c : controls_) c->Layout();
}

}  // namespace tk
