#pragma once
#include <functional>

#include "toolkit/backend.h"
#include "toolkit/geometry.h"

namespace tk {

class Form;

// A filled rectangle with a one-pixel border, drawn by its form.
struct Shape {
  Rect bounds;
  Color fill;
  Color border{0, 0, 0};
};

// A picture placed on a form; `picture` names a picture resource.
struct Image {
  Rect bounds;
  int picture = 0;
};

// The form's notification-area icon. Button presses and double-clicks arrive at the form.
class TrayIcon {
 public:
  TrayIcon(Form& owner, int icon_resource);
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  void Show();
  void Hide();
  bool Shown() const { return shown_; }
  int Icon() const { return icon_; }
  // Routes one event from the notification area: presses to on_mouse_down, double-clicks
  // restore the application.
  void Dispatch(const MouseEvent& e);

  std::function<void(MouseButton)> on_mouse_down;

 private:
  Form& owner_;
  int icon_;
  bool shown_ = false;
};

}  // namespace tk
