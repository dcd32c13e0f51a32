#include "kbdlink/win32/win32_windows.h"

#include <dbt.h>

#include <atomic>
#include <cstddef>

#include "kbdlink/device_table.h"

namespace kbdlink::win32 {
namespace {

std::atomic<HINSTANCE> g_instance{nullptr};
// The procedure behind the class; cleared when the window is retired.
std::atomic<WindowProcedure*> g_procedure{nullptr};
// The hidden window and the owner thread's hook that empties relays posted to it.
std::atomic<HWND> g_hidden{nullptr};
std::atomic<HHOOK> g_posted_relay_hook{nullptr};

HWND AsWindow(WindowHandle w) { return reinterpret_cast<HWND>(w); }

// Readers only ever send their relays; a posted one would reach the procedure looking exactly
// like a send from its own thread. It leaves the queue as WM_NULL instead.
LRESULT CALLBACK EmptyPostedRelays(int code, WPARAM removal, LPARAM message) {
  if (code == HC_ACTION) {
    auto* m = reinterpret_cast<MSG*>(message);
    if (m->message == LINKMSG_RELAY && m->hwnd != nullptr && m->hwnd == g_hidden.load()) {
      m->message = WM_NULL;
      m->lParam = 0;
    }
  }
  return CallNextHookEx(nullptr, code, removal, message);
}

LRESULT CALLBACK LinkWndProc(HWND w, UINT message, WPARAM wparam, LPARAM lparam) {
  WindowProcedure* procedure = g_procedure.load(std::memory_order_acquire);
  if (procedure == nullptr) return DefWindowProcA(w, message, wparam, lparam);
  try {
    return procedure->LinkWindowProc(reinterpret_cast<WindowHandle>(w), message, wparam, lparam);
  } catch (...) {
    return 0;  // nothing may unwind into the system's dispatch
  }
}

// The portable code reads and builds these records by their documented layout.
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) == kBroadcastNameOffset);
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) == kInterfaceFilterRecordSize);
static_assert(sizeof(DEV_BROADCAST_HANDLE) == sizeof(HandleFilter));
static_assert(offsetof(DEV_BROADCAST_HANDLE, dbch_handle) == offsetof(HandleFilter, handle));
static_assert(offsetof(DEV_BROADCAST_HANDLE, dbch_nameoffset) == offsetof(HandleFilter, name_offset));

}  // namespace

void Win32Windows::SetInstance(HINSTANCE instance) { g_instance.store(instance); }

bool Win32Windows::RegisterLinkClass(WindowProcedure& procedure) {
  WNDCLASSA c{};
  c.style = kLinkClassStyle;
  c.lpfnWndProc = &LinkWndProc;
  c.hInstance = g_instance.load();
  c.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  c.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  c.lpszMenuName = "";
  c.lpszClassName = kLinkClassName;
  if (RegisterClassA(&c) == 0) return false;
  g_procedure.store(&procedure, std::memory_order_release);
  return true;
}

WindowHandle Win32Windows::CreateLinkWindow() {
  HWND w = CreateWindowExA(0, kLinkClassName, kLinkWindowTitle, kLinkWindowStyle, 0, 0, 0, 0, nullptr, nullptr,
                           g_instance.load(), nullptr);
  if (w == nullptr) return 0;
  ShowWindow(w, SW_HIDE);
  g_hidden.store(w);
  g_posted_relay_hook.store(SetWindowsHookExA(WH_GETMESSAGE, &EmptyPostedRelays, nullptr, GetCurrentThreadId()));
  return reinterpret_cast<WindowHandle>(w);
}

void Win32Windows::RetireLinkWindow(WindowHandle w) {
  g_procedure.store(nullptr, std::memory_order_release);
  if (HHOOK hook = g_posted_relay_hook.exchange(nullptr)) UnhookWindowsHookEx(hook);
  g_hidden.store(nullptr);
  // Its procedure must not point into unmapped code, nor post WM_QUIT when it is destroyed.
  if (w != 0) SetWindowLongPtrA(AsWindow(w), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
  if (process_ending_) return;  // window and class go with the process
  // Only the owner thread can destroy the window; unloaded from another thread, the window
  // stays and so does the class, which then refuses to be registered again.
  if (w != 0 && GetWindowThreadProcessId(AsWindow(w), nullptr) == GetCurrentThreadId()) DestroyWindow(AsWindow(w));
  // A class of ours left registered would point into unmapped code and make the next load's
  // registration fail.
  UnregisterClassA(kLinkClassName, g_instance.load());
}

Delivery Win32Windows::CurrentDelivery() { return InSendMessage() ? Delivery::kOtherThread : Delivery::kThisThread; }

std::intptr_t Win32Windows::Send(WindowHandle w, std::uint32_t message, std::uintptr_t wparam,
                                 std::intptr_t lparam) {
  if (w == 0) return 0;
  return SendMessageA(AsWindow(w), message, wparam, lparam);
}

bool Win32Windows::Post(WindowHandle w, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  return PostMessageA(AsWindow(w), message, wparam, lparam) != FALSE;
}

std::intptr_t Win32Windows::DefaultProc(WindowHandle w, std::uint32_t message, std::uintptr_t wparam,
                                        std::intptr_t lparam) {
  return DefWindowProcA(AsWindow(w), message, wparam, lparam);
}

void Win32Windows::PostQuit(int exit_code) { PostQuitMessage(exit_code); }

NotifyHandle Win32Windows::RegisterNotification(WindowHandle recipient, const void* filter) {
  HDEVNOTIFY h = RegisterDeviceNotificationA(AsWindow(recipient), const_cast<void*>(filter),
                                             DEVICE_NOTIFY_WINDOW_HANDLE);
  return reinterpret_cast<NotifyHandle>(h);
}

void Win32Windows::UnregisterNotification(NotifyHandle registration) {
  if (registration != 0) UnregisterDeviceNotification(reinterpret_cast<HDEVNOTIFY>(registration));
}

std::uint32_t Win32Windows::Version() { return GetVersion(); }

}  // namespace kbdlink::win32
