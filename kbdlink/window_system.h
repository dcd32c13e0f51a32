#pragma once
// The library's window side: its hidden window, messages to windows, device-notification
// registrations and the system version. Win32 in the product; a headless message system with
// per-thread queues in the native tests.
#include <cstdint>

#include "kbdlink/link_types.h"

namespace kbdlink {

inline constexpr char kLinkClassName[] = "VEVURClass";
inline constexpr char kLinkWindowTitle[] = "HKUSBKEYMSG";
inline constexpr std::uint32_t kLinkClassStyle = 0x0080;       // CS_PARENTDC
inline constexpr std::uint32_t kLinkWindowStyle = 0x80000000;  // WS_POPUP

class WindowProcedure {
 public:
  virtual std::intptr_t LinkWindowProc(WindowHandle w, std::uint32_t message, std::uintptr_t wparam,
                                       std::intptr_t lparam) = 0;

 protected:
  ~WindowProcedure() = default;
};

// How the message a window procedure is handling reached it.
enum class Delivery {
  kThisThread,   // sent, or called, from the window's own thread
  kOtherThread,  // sent from another thread or process
  kPosted,       // taken from the window's queue
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Registers kLinkClassName with `procedure` as its window procedure; false when the class
  // is registered already or registration fails.
  virtual bool RegisterLinkClass(WindowProcedure& procedure) = 0;
  // Creates the hidden window on the calling thread and hides it; 0 on failure.
  virtual WindowHandle CreateLinkWindow() = 0;
  // From now on the window's messages get default handling and none reaches the library.
  virtual void RetireLinkWindow(WindowHandle w) = 0;
  // Of the message the calling thread's window procedure is handling now.
  virtual Delivery CurrentDelivery() = 0;

  // Synchronous: from another thread it waits until the window's thread has handled it.
  virtual std::intptr_t Send(WindowHandle w, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) = 0;
  // Window 0 posts to the calling thread's queue.
  virtual bool Post(WindowHandle w, std::uint32_t message, std::uintptr_t wparam,
                    std::intptr_t lparam) = 0;
  virtual std::intptr_t DefaultProc(WindowHandle w, std::uint32_t message, std::uintptr_t wparam,
                                    std::intptr_t lparam) = 0;
  virtual void PostQuit(int exit_code) = 0;

  // `filter` is a device-broadcast record whose first field is its size.
  virtual NotifyHandle RegisterNotification(WindowHandle recipient, const void* filter) = 0;
  virtual void UnregisterNotification(NotifyHandle registration) = 0;
  virtual std::uint32_t Version() = 0;  // GetVersion's 32-bit result
};

}  // namespace kbdlink
