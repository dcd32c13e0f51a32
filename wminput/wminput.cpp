#include "wminput/wminput.h"

#include <windows.h>

#include "kbdlink/kbdlink.h"
#include "shell/battery_poll.h"

// The input component also configures the keyboard link library for the battery poll: it
// owns the library's client window, on the same user-interface thread.
//
// Lock-key presses are watched with a low-level keyboard hook on the calling (user-interface)
// thread: it needs no window of its own, sees the keys whichever program has the focus, and
// its handler only posts, so typing is never held up.
namespace {

constexpr UINT kLocksChanged = 0x511;  // the controller's lock-key notification

HWND g_target = nullptr;
HHOOK g_hook = nullptr;
bool g_down[3] = {};  // auto-repeat sends key-downs while held: one notice per press

int LockIndex(DWORD vk) {
  switch (vk) {
    case VK_NUMLOCK: return 0;
    case VK_CAPITAL: return 1;
    case VK_SCROLL: return 2;
    default: return -1;
  }
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION) {
    const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam);
    const int lock = LockIndex(key->vkCode);
    if (lock >= 0) {
      const bool down = wparam == WM_KEYDOWN || wparam == WM_SYSKEYDOWN;
      if (down && !g_down[lock]) PostMessageW(g_target, kLocksChanged, 0, 0);
      g_down[lock] = down;
    }
  }
  return CallNextHookEx(g_hook, code, wparam, lparam);
}

// Removes the hook when the process lets the library go.
struct HookOwner {
  ~HookOwner() {
    if (g_hook) UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
  }
} g_hook_owner;

HINSTANCE g_module = nullptr;

constexpr UINT kLinkPresent = 0x600;
constexpr UINT kLinkAbsent = 0x700;
constexpr UINT kLinkInput = WM_APP + 0x100;  // input reports; nothing of ours reads them
constexpr char kClientClass[] = "WmInputLinkClient";

// Present or absent after each enumeration; the poll itself asks the table, so the client
// only has to keep the answer.
bool g_keyboard_present = false;

LRESULT CALLBACK LinkClientProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kLinkPresent: g_keyboard_present = true; return 0;
    case kLinkAbsent: g_keyboard_present = false; return 0;
    case kLinkInput: return 0;
    default: return DefWindowProcA(w, msg, wp, lp);
  }
}

void ConfigureLink() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSA wc{};
  wc.lpfnWndProc = &LinkClientProc;
  wc.hInstance = g_module;
  wc.lpszClassName = kClientClass;
  RegisterClassA(&wc);
  HWND client = CreateWindowExA(0, kClientClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, g_module, nullptr);
  namespace poll = shell::battery_poll;
  InitDriver(client, kLinkInput, poll::kKeyboardVendorId, poll::kKeyboardProductId, poll::kUsagePage,
             poll::kQueryB.usage);
}

}  // namespace

extern "C" int WMINPUT_API WmInputAttach(std::uint32_t controller_window) {
  g_target = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(controller_window));
  if (g_hook == nullptr) g_hook = SetWindowsHookExW(WH_KEYBOARD_LL, &KeyboardHook, g_module, 0);
  ConfigureLink();  // the first enumeration runs now, long before the first poll round
  return g_hook != nullptr;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = module;
    DisableThreadLibraryCalls(module);
  }
  return TRUE;
}
