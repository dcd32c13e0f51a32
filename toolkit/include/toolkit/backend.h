#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "toolkit/font.h"
#include "toolkit/geometry.h"
#include "toolkit/messages.h"

namespace tk {

class Canvas;

enum class MouseButton { Left, Right, Middle };
enum class MouseAction { Down, Move, Up, DoubleClick };

struct MouseEvent {
  MouseAction action = MouseAction::Move;
  MouseButton button = MouseButton::Left;
  Point at;  // client coordinates
};

// What a window reports to the form that owns it. Every call arrives on the UI thread.
class WindowSink {
 public:
  virtual ~WindowSink() = default;
  // Returns true when the message was handled and `result` holds the answer.
  virtual bool OnWindowMessage(const Message& m, std::intptr_t& result) = 0;
  virtual void OnTimerTick(int timer_id) = 0;
  virtual void OnMouse(const MouseEvent& e) = 0;
  virtual void OnTrayMouse(const MouseEvent& e) = 0;
  virtual bool OnCloseQuery() = 0;  // false refuses the close
  virtual void OnShowing() = 0;     // hidden -> shown, before the window becomes visible
  virtual void OnPaint(Canvas& canvas) = 0;
  virtual void OnCommand(int control_id) = 0;  // a button of the window was pressed
  // The window's DPI became `dpi`; `suggested` is the platform's proposal for its new bounds.
  virtual void OnDpiChanged(int /*dpi*/, Rect /*suggested*/) {}
};

struct WindowDesign {
  std::string class_name;
  std::string title;
  std::uint32_t style = kWsPopup;
  std::uint32_t ex_style = 0;
  Rect bounds;
  bool client_size = false;  // bounds give the client area; the frame is added around it
  bool dialog_keys = false;  // Tab, Enter, Space and Escape work as in a dialog box
};

enum class ControlKind { Label, CheckBox, Button };

// A standard control inside a form. Controls that take the keyboard are reached with Tab in
// creation order; the default button answers Enter.
struct ControlDesign {
  ControlKind kind = ControlKind::Label;
  int id = 0;
  Rect bounds;
  std::u16string text;
  bool centred = false;
  bool tab_stop = false;
  bool default_button = false;
};

struct TrayIconDesign {
  int icon_resource = 0;
  std::string tip;
};

// One windowing backend for the whole process, chosen at start: Win32 in the product,
// headless (virtual clock, inspectable windows) in the native tests.
class Backend {
 public:
  virtual ~Backend() = default;

  virtual WindowId NewWindow(const WindowDesign& design, WindowSink* sink) = 0;
  virtual void DestroyWindow(WindowId w) = 0;
  // Shows without taking the keyboard focus, or hides. Shown windows go to the top of their band.
  virtual void SetVisible(WindowId w, bool visible) = 0;
  virtual bool IsVisible(WindowId w) const = 0;
  virtual void BringToFront(WindowId w) = 0;  // z-order only, never activation
  virtual void SetBounds(WindowId w, Rect r) = 0;
  // Keeps the top-left corner; the frame, if any, is added around the given client area.
  virtual void SetClientSize(WindowId w, int width, int height) = 0;
  virtual Rect Bounds(WindowId w) const = 0;
  virtual void SetExStyle(WindowId w, std::uint32_t ex_style) = 0;
  virtual std::uint32_t ExStyle(WindowId w) const = 0;
  virtual std::string Title(WindowId w) const = 0;
  virtual void SetTitle(WindowId w, std::string_view title) = 0;
  virtual void Invalidate(WindowId w) = 0;
  virtual void SetMouseCapture(WindowId w, bool on) = 0;
  virtual void SetForeground(WindowId w) = 0;
  // The DPI of the monitor the window is on; 96 is 100 %.
  virtual int Dpi(WindowId w) const = 0;

  virtual WindowId NewControl(WindowId parent, const ControlDesign& design) = 0;
  virtual void SetControlText(WindowId control, std::u16string_view text) = 0;
  virtual std::u16string ControlText(WindowId control) const = 0;
  virtual bool Checked(WindowId control) const = 0;
  virtual void SetChecked(WindowId control, bool checked) = 0;
  virtual void SetFont(WindowId w, const Font& font) = 0;

  virtual void ArmTimer(WindowId w, int timer_id, std::uint32_t interval_ms) = 0;
  virtual void DisarmTimer(WindowId w, int timer_id) = 0;

  virtual bool AddTrayIcon(WindowId w, const TrayIconDesign& design) = 0;
  virtual void DeleteTrayIcon(WindowId w) = 0;

  // Top-level windows of any process, matched by whole class name and title, hidden ones too.
  virtual WindowId FindTopWindow(std::string_view class_name, std::string_view title) const = 0;
  virtual bool Post(WindowId w, const Message& m) = 0;
  virtual std::intptr_t Send(WindowId w, const Message& m) = 0;
  virtual std::uint32_t RegisterMessage(std::string_view name) = 0;

  virtual void PostQuit() = 0;
  virtual void RunMessageLoop() = 0;  // until WM_QUIT is retrieved
  virtual void ShowErrorBox(std::string_view caption, std::string_view text) = 0;
};

}  // namespace tk
