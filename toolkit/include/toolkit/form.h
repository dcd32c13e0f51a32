#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/backend.h"

namespace tk {

class Application;
class Control;
class Timer;

// Base of every window of the program. The window is made by Application::CreateForm;
// the form then receives the window's events through the WindowSink calls and routes
// them to handlers named after the event.
class Form : public WindowSink {
 public:
  Form(Application& app, std::string object_name);
  ~Form() override;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& Name() const { return name_; }
  WindowId Handle() const { return handle_; }
  Application& App() const { return app_; }
  Backend& Platform() const;

  bool Visible() const;
  void Show();  // shown without activation and lifted to the front of its band
  void Hide();
  void Close();  // a close request: OnCloseQuery decides, then the form hides
  Rect Bounds() const;
  void SetBounds(Rect r);
  void SetLeft(int left);
  void SetTop(int top);
  void SetHeight(int height);
  void SetClientSize(int width, int height);
  void SetFont(const Font& font);
  int Left() const { return Bounds().left; }
  int Top() const { return Bounds().top; }
  int Width() const { return Bounds().Width(); }
  int Height() const { return Bounds().Height(); }
  void Repaint();
  // The DPI of the window's monitor (96 before the window exists), and a 96-DPI figure at it.
  int Dpi() const;
  int Scale(int value) const;
  Rect Scale(Rect r) const;

 protected:
  // Called by CreateForm after the window exists.
  virtual void FormCreate() {}
  // Called when the message loop has ended, before the window goes.
  virtual void FormDestroy() {}
  // The form's window description; read once when the window is made.
  virtual WindowDesign Design() const = 0;
  virtual void FormShow() {}
  virtual bool FormCloseQuery() { return true; }
  virtual void FormClose() {}
  virtual bool HandleMessage(const Message&, std::intptr_t&) { return false; }
  virtual void MouseInput(const MouseEvent&) {}
  virtual void TrayInput(const MouseEvent&) {}
  virtual void Paint(Canvas&) {}
  virtual void Command(int) {}
  // The window moved onto a monitor of another scale; by default it takes the suggested bounds
  // and lays its controls out again for the new scale.
  virtual void DpiChanged(int dpi, Rect suggested);
  // Called from the constructor: the controls are made when the form first shows, not with its
  // window, so a form that may never show costs no controls.
  void MakeControlsAtFirstShow() { controls_at_first_show_ = true; }

  // WindowSink
  bool OnWindowMessage(const Message& m, std::intptr_t& result) override;
  void OnTimerTick(int timer_id) override;
  void OnMouse(const MouseEvent& e) override { MouseInput(e); }
  void OnTrayMouse(const MouseEvent& e) override { TrayInput(e); }
  bool OnCloseQuery() override;
  void OnShowing() override { FormShow(); }
  void OnPaint(Canvas& canvas) override { Paint(canvas); }
  void OnCommand(int control_id) override { Command(control_id); }
  void OnDpiChanged(int dpi, Rect suggested) override { DpiChanged(dpi, suggested); }

 private:
  friend class Application;
  friend class Timer;
  friend class Control;
  void AddControl(Control* c) { controls_.push_back(c); }
  int AddTimer(Timer* t);
  void RemoveTimer(Timer* t);
  void MakeWindow();
  void MakeControls();
  void DropWindow();

  Application& app_;
  std::string name_;
  WindowId handle_ = 0;
  std::vector<Timer*> timers_;
  std::vector<Control*> controls_;
  bool controls_at_first_show_ = false;
  bool controls_made_ = false;
};

}  // namespace tk
