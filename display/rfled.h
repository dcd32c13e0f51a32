#pragma once
#include <cstdint>

#include "shell/services.h"
#include "toolkit/components.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"

namespace display {

// Lock-key bits of LockState.
inline constexpr std::uint8_t kScrollLockBit = 1;
inline constexpr std::uint8_t kNumLockBit = 2;
inline constexpr std::uint8_t kCapsLockBit = 4;

// The indicator strip: the application's main window. It pops up at the corner of the work
// area, holds, and sinks out of sight a few pixels per tick; the pictures follow LockState.
class TRFLed final : public tk::Form {
 public:
  TRFLed(tk::Application& app, shell::Services& services);

  void UpdateLeds();
  void LockChanged();
  void Popup();

  void Image1MouseDown(tk::MouseButton button, int x, int y);
  void Image1MouseMove(int x, int y);
  void Image1MouseUp(tk::MouseButton button, int x, int y);
  void SavePosition();

  std::uint8_t LockState = 0;
  std::uint8_t Raised = 0;
  bool Dragging = false;
  tk::Point DragAnchor;

  tk::Shape Shape1, Shape2, Shape3, Shape4, Shape5;
  tk::Image N_LED, C_LED, S_LED;
  tk::Timer Timer2;  // rise
  tk::Timer Timer3;  // hold and lower
  tk::Timer Timer4;  // refresh after the taskbar came back

 protected:
  tk::WindowDesign Design() const override;
  void FormCreate() override;
  void FormShow() override;
  bool FormCloseQuery() override { return false; }  // the strip never closes
  bool HandleMessage(const tk::Message& m, std::intptr_t& result) override;
  void DpiChanged(int dpi, tk::Rect suggested) override;
  void MouseInput(const tk::MouseEvent& e) override;
  void Paint(tk::Canvas& canvas) override;

 private:
  void Timer2Timer();
  void Timer3Timer();
  void Timer4Timer();
  void SampleLockState();
  // Lays the shapes and pictures out for the window's DPI.
  void FollowDpi();
  int FullHeight() const { return Shape1.bounds.Height(); }
  // Keeps the window's bottom edge 10 pixels (at 96 DPI) above the work area's bottom.
  void PlaceAtBottom(int height);
  tk::Image* LedAt(tk::Point p);

  shell::Services& services_;
  tk::Image* pressed_ = nullptr;
};

}  // namespace display
