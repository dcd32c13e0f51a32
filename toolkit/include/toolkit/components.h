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

// A standard control of a form; made with the form's window.
class Control {
 public:
  Control(Form& owner, ControlDesign design);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  WindowId Handle() const { return handle_; }
  int Id() const { return design_.id; }
  const ControlDesign& Design() const { return design_; }
  void SetText(std::u16string text);
  std::u16string Text() const;
  void SetFont(const Font& font);
  const Font& GetFont() const { return font_; }
  // The designed rectangle at the owner's DPI.
  Rect Bounds() const;

 protected:
  Form& owner_;

 private:
  friend class Form;
  virtual void Made() {}
  void Make();
  void Layout();  // the owner's DPI changed
  ControlDesign design_;
  Font font_;
  WindowId handle_ = 0;
};

class CheckBox final : public Control {
 public:
  CheckBox(Form& owner, ControlDesign design, bool checked);
  bool Checked() const;
  void SetChecked(bool checked);

 private:
  void Made() override { SetChecked(initial_); }
  bool initial_;
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
  // The shell has lost every icon (it was started again): a shown icon is added anew.
  void ShowAgain();
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
