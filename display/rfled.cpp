#include "display/rfled.h"

#include <algorithm>

#include "forms/rfled_layout.h"
#include "shell/identities.h"
#include "toolkit/application.h"
#include "toolkit/canvas.h"
#include "toolkit/dpi.h"

namespace display {
namespace layout = forms::rfled;

namespace {

constexpr std::uint32_t kRiseStepMs = 6;
constexpr std::uint32_t kLockChangePauseMs = 600;
constexpr std::uint32_t kHoldMs = 5000;
constexpr std::uint32_t kLowerStepMs = 10;
constexpr std::uint32_t kTaskbarRefreshMs = 5000;
// Figures at 96 DPI; the window scales them to its own.
constexpr int kStep = 6;
constexpr int kCornerRight = 20;
constexpr int kCornerBottom = 10;

constexpr char kPositionKey[] = "Software\\Korvel\\VOVEzurevo";
constexpr std::uint32_t kPositionKeyAccess = 0x2001F;

tk::Shape MakeShape(const layout::ShapeRow& row) { return tk::Shape{row.bounds, row.fill, {0, 0, 0}}; }
tk::Image MakeLed(const layout::LedRow& row) { return tk::Image{row.bounds, row.on}; }
int Picture(const layout::LedRow& row, bool on) { return on ? row.on : row.off; }

}  // namespace

TRFLed::TRFLed(tk::Application& app, shell::Services& services)
    : tk::Form(app, shell::kStripName),
      Shape1(MakeShape(layout::kShape1)),
      Shape2(MakeShape(layout::kShape2)),
      Shape3(MakeShape(layout::kShape3)),
      Shape4(MakeShape(layout::kShape4)),
      Shape5(MakeShape(layout::kShape5)),
      N_LED(MakeLed(layout::kNumLed)),
      C_LED(MakeLed(layout::kCapsLed)),
      S_LED(MakeLed(layout::kScrollLed)),
      Timer2(*this, kRiseStepMs, false, [this] { Timer2Timer(); }),
      Timer3(*this, kHoldMs, false, [this] { Timer3Timer(); }),
      Timer4(*this, kTaskbarRefreshMs, false, [this] { Timer4Timer(); }),
      services_(services) {
  SampleLockState();
}

tk::WindowDesign TRFLed::Design() const {
  tk::WindowDesign design;
  design.class_name = shell::kStripClass;
  design.title = shell::kStripName;
  design.style = tk::kWsPopup;
  // Topmost, no taskbar button, and never activated by a click: showing or dragging the
  // strip must not take the keyboard from the program the user types into.
  design.ex_style = tk::kWsExTopmost | tk::kWsExToolWindow | tk::kWsExNoActivate;
  design.bounds = tk::Rect::At(0, 0, layout::kWidth, layout::kFullHeight);
  return design;
}

// At construction a key counts as on when its pressed bit or its toggled bit is set.
void TRFLed::SampleLockState() {
  const auto keys = services_.desktop->KeyboardState();
  LockState = 0;
  if (keys[plat::kVkScroll] != 0) LockState |= kScrollLockBit;
  if (keys[plat::kVkNumLock] != 0) LockState |= kNumLockBit;
  if (keys[plat::kVkCapital] != 0) LockState |= kCapsLockBit;
}

void TRFLed::FollowDpi() {
  Shape1.bounds = Scale(layout::kShape1.bounds);
  Shape2.bounds = Scale(layout::kShape2.bounds);
  Shape3.bounds = Scale(layout::kShape3.bounds);
  Shape4.bounds = Scale(layout::kShape4.bounds);
  Shape5.bounds = Scale(layout::kShape5.bounds);
  N_LED.bounds = Scale(layout::kNumLed.bounds);
  C_LED.bounds = Scale(layout::kCapsLed.bounds);
  S_LED.bounds = Scale(layout::kScrollLed.bounds);
}

void TRFLed::FormCreate() {
  FollowDpi();
  UpdateLeds();
  Platform().SetExStyle(App().Handle(), tk::kWsExToolWindow);
  if (services_.prepare_message_file) services_.prepare_message_file(App());
}

// The pictures drawn for the window's scale, so that the caps fill their scaled places.
void TRFLed::UpdateLeds() {
  const int dpi = Dpi();
  S_LED.picture = tk::ScaledResource(Picture(layout::kScrollLed, LockState & kScrollLockBit), dpi);
  N_LED.picture = tk::ScaledResource(Picture(layout::kNumLed, LockState & kNumLockBit), dpi);
  C_LED.picture = tk::ScaledResource(Picture(layout::kCapsLed, LockState & kCapsLockBit), dpi);
  Repaint();
}

void TRFLed::PlaceAtBottom(int height) {
  const tk::Rect work = services_.desktop->WorkArea();
  const tk::Rect r = Bounds();
  SetBounds(tk::Rect::At(r.left, work.bottom - height - Scale(kCornerBottom), r.Width(), height));
}

void TRFLed::FormShow() {
  const tk::Rect work = services_.desktop->WorkArea();
  const int width = Shape1.bounds.Width();
  const int height = Shape1.bounds.Height();
  SetBounds(tk::Rect::At(work.right - width - Scale(kCornerRight), work.bottom - height - Scale(kCornerBottom),
                         width, height));
  if (Raised == 0) {
    Timer2.Stop();
    Timer2.SetInterval(kRiseStepMs);
    Timer2.Start();
    Timer3.Stop();
  }
  UpdateLeds();
}

void TRFLed::Timer2Timer() {
  Raised = 1;
  Timer2.Stop();
  Timer3.Stop();
  if (Height() < FullHeight()) {
    // The scaled step need not divide the scaled height: the last step stops at the top.
    PlaceAtBottom(std::min(Height() + Scale(kStep), FullHeight()));
    Timer2.SetInterval(kRiseStepMs);
    Timer2.Start();
    return;
  }
  Timer3.SetInterval(kHoldMs);
  Timer3.Start();
}

void TRFLed::Timer3Timer() {
  Raised = 0;
  Timer3.Stop();
  const int height = Height() - Scale(kStep);
  PlaceAtBottom(height > 0 ? height : 0);
  if (height > 0) {
    Timer3.SetInterval(kLowerStepMs);
    Timer3.Start();
    return;
  }
  Hide();
  Timer3.SetInterval(kHoldMs);
}

void TRFLed::LockChanged() {
  UpdateLeds();
  Timer3.Stop();
  if (Raised == 0) {
    Timer2.Stop();
    Timer2.SetInterval(kLockChangePauseMs);
    Timer2.Start();
  }
  if (Height() >= FullHeight()) Timer3.Start();
}

void TRFLed::Popup() {
  Timer3.Stop();
  Timer3.Start();
  Show();
}

void TRFLed::Timer4Timer() {
  Timer4.Stop();
  Timer4.SetInterval(0);
  UpdateLeds();
}

bool TRFLed::HandleMessage(const tk::Message& m, std::intptr_t&) {
  if (m.msg != 0 && m.msg == services_.state.taskbar_created) {
    Timer4.SetInterval(kTaskbarRefreshMs);
    Timer4.Start();
  }
  return false;  // every message goes on to the default processing
}

// Dragged onto a monitor of another scale, the strip takes that scale's size at once, keeping
// the platform's proposed corner; a strip that is part way down stays part way down.
void TRFLed::DpiChanged(int, tk::Rect suggested) {
  const bool full = Height() >= FullHeight();
  FollowDpi();
  const int height = full ? FullHeight() : std::min(suggested.Height(), FullHeight());
  SetBounds(tk::Rect::At(suggested.left, suggested.top, Shape1.bounds.Width(), height));
  UpdateLeds();
}

tk::Image* TRFLed::LedAt(tk::Point p) {
  for (tk::Image* led : {&N_LED, &C_LED, &S_LED})
    if (led->bounds.Contains(p)) return led;
  return nullptr;
}

void TRFLed::MouseInput(const tk::MouseEvent& e) {
  tk::Image* led = pressed_ != nullptr ? pressed_ : LedAt(e.at);
  if (led == nullptr) return;
  const int x = e.at.x - led->bounds.left;
  const int y = e.at.y - led->bounds.top;
  switch (e.action) {
    case tk::MouseAction::Down:
      pressed_ = led;
      Platform().SetMouseCapture(Handle(), true);
      Image1MouseDown(e.button, x, y);
      break;
    case tk::MouseAction::Move: Image1MouseMove(x, y); break;
    case tk::MouseAction::Up:
      pressed_ = nullptr;
      Platform().SetMouseCapture(Handle(), false);
      Image1MouseUp(e.button, x, y);
      break;
    case tk::MouseAction::DoubleClick: break;
  }
}

void TRFLed::Image1MouseDown(tk::MouseButton, int x, int y) {
  Dragging = true;
  DragAnchor = {x, y};
}

void TRFLed::Image1MouseMove(int x, int y) {
  if (!Dragging) return;
  // Moves caused by moving the window itself are ignored while the flag is down.
  Dragging = false;
  SetLeft(Left() + x - DragAnchor.x);
  SetTop(Top() + y - DragAnchor.y);
  Dragging = true;
}

void TRFLed::Image1MouseUp(tk::MouseButton, int, int) {
  Dragging = false;
  SavePosition();
}

void TRFLed::SavePosition() {
  plat::RegistryHandle key = 0;
  std::uint32_t disposition = 0;
  if (services_.registry->CreateKey(plat::RegistryRoot::CurrentUser, kPositionKey, kPositionKeyAccess, key,
                                    disposition) != plat::kErrorSuccess)
    return;
  if (disposition == 1 || disposition == 2) {
    services_.registry->SetDword(key, "POSX", static_cast<std::uint32_t>(Left()));
    services_.registry->SetDword(key, "POSY", static_cast<std::uint32_t>(Top()));
  }
  services_.registry->CloseKey(key);
}

void TRFLed::Paint(tk::Canvas& canvas) {
  canvas.FillRect(Shape1.bounds, Shape1.fill);
  canvas.FrameRect(Shape1.bounds, Shape1.border);
  for (const tk::Image* led : {&N_LED, &C_LED, &S_LED})
    canvas.DrawPicture(led->picture, {led->bounds.left, led->bounds.top});
}

}  // namespace display
