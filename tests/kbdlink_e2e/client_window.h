#pragma once
// A client window of the test thread that records what the link library sends and posts it.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace kbdlink::e2e {

inline constexpr UINT kInputMessage = 0x8123;

struct Received {
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  std::vector<std::uint8_t> report;  // the 32 bytes an input message points at
};

class ClientWindow {
 public:
  ClientWindow() {
    WNDCLASSA c{};
    c.lpfnWndProc = &Proc;
    c.hInstance = GetModuleHandleA(nullptr);
    c.lpszClassName = "KbdlinkTestClient";
    RegisterClassA(&c);
    hwnd_ = CreateWindowExA(0, c.lpszClassName, "client", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, c.hInstance, nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~ClientWindow() { DestroyWindow(hwnd_); }
  ClientWindow(const ClientWindow&) = delete;
  ClientWindow& operator=(const ClientWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  std::vector<Received> received;
  std::vector<UINT> thread_messages;

  // Dispatches this thread's messages for `ms` of real time (the messages come from Wine), and
  // no longer: readers whose reads never wait keep the queue full for as long as they run.
  void Pump(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    do {
      MSG m;
      while (GetTickCount64() < end && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.hwnd == nullptr) thread_messages.push_back(m.message);
        DispatchMessageA(&m);
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount64() < end);
  }
  std::vector<UINT> Posted() const {
    std::vector<UINT> out;
    for (const Received& r : received)
      if (r.message == 0x600 || r.message == 0x700) out.push_back(r.message);
    return out;
  }
  std::size_t Count(UINT message) const {
    std::size_t n = 0;
    for (const Received& r : received) n += r.message == message;
    return n;
  }

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<ClientWindow*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (self != nullptr && (message == kInputMessage || message == 0x600 || message == 0x700)) {
      Received r{message, wparam, lparam, {}};
      if (message == kInputMessage && lparam != 0) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(lparam);
        r.report.assign(p, p + 32);
      }
      self->received.push_back(r);
      return 0;
    }
    return DefWindowProcA(w, message, wparam, lparam);
  }
  HWND hwnd_ = nullptr;
};

}  // namespace kbdlink::e2e
