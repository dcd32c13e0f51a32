#pragma once
// The hidden window and device notifications of Windows (user32).
#include <windows.h>

#include "kbdlink/window_system.h"

namespace kbdlink::win32 {

class Win32Windows final : public WindowSystem {
 public:
  // The module instance the class and window are registered under; updated on every entry
  // point call.
  static void SetInstance(HINSTANCE instance);
  // At process exit the window and class go with the process; nothing is destroyed then.
  void SetProcessEnding() { process_ending_ = true; }

  bool RegisterLinkClass(WindowProcedure& procedure) override;
  WindowHandle CreateLinkWindow() override;
  void RetireLinkWindow(WindowHandle w) override;
  Delivery CurrentDelivery() override;
  std::intptr_t Send(WindowHandle w, std::uint32_t message, std::uintptr_t wparam,
                     std::intptr_t lparam) override;
  bool Post(WindowHandle w, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override;
  std::intptr_t DefaultProc(WindowHandle w, std::uint32_t message, std::uintptr_t wparam,
                            std::intptr_t lparam) override;
  void PostQuit(int exit_code) override;
  NotifyHandle RegisterNotification(WindowHandle recipient, const void* filter) override;
  void UnregisterNotification(NotifyHandle registration) override;
  std::uint32_t Version() override;

 private:
  bool process_ending_ = false;
};

}  // namespace kbdlink::win32
