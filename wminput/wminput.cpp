#include "wminput/wminput.h"

#include <windows.h>

#include "kbdlink/kbdlink.h"
#include "shell/battery_poll.h"
#include "wminput/input_component.h"
#include "wminput/lock_keys.h"

// The input component watches the lock keys for the controller and configures the keyboard
// link library for the battery poll. It is built without the C++ runtime: no exceptions, no
// static constructors, nothing but kernel32 and user32.
//
// Lock keys arrive as raw input (RIDEV_INPUTSINK) at a window of a thread of our own. Raw input
// is queued for us and never waited for, so no key on the desktop waits while we are busy, and
// Windows never drops the registration the way it drops a low-level hook that misses its
// timeout. The thread only turns key events into the controller's notice.
//
// The link library stays on the user-interface thread: every export must run on the thread
// that called InitDriver, and the poll calls GetFeatures there.
namespace {

constexpr UINT kLocksChanged = 0x511;  // the controller's lock-key notification
constexpr UINT kLinkPresent = 0x600;
constexpr UINT kLinkAbsent = 0x700;
constexpr UINT kLinkInput = WM_APP + 0x100;  // input reports; nothing of ours reads them
constexpr UINT_PTR kLinkTimer = 1;
constexpr wchar_t kClientClass[] = L"WmInputLinkClient";
constexpr wchar_t kWatcherClass[] = L"WmInputLockKeys";

HINSTANCE g_module = nullptr;
// User-interface thread only: the link library's client, a child of the controller so that it
// goes when the controller goes, and with it the watcher.
HWND g_client = nullptr;
bool g_keyboard_present = false;  // the link library's latest answer; the poll asks it anew
// Shared by the two threads; a stop asked for before the watcher has its window is still seen.
HWND g_watcher = nullptr;
LONG g_stop_asked = 0;

// ---- the watcher thread ----

struct WatcherState {
  HWND controller;
  wminput::LockKeys keys;
};

void OnRawInput(HWND w, HRAWINPUT input) {
  RAWINPUT raw;
  UINT size = sizeof raw;
  if (GetRawInputData(input, RID_INPUT, &raw, &size, sizeof(RAWINPUTHEADER)) == static_cast<UINT>(-1)) return;
  if (raw.header.dwType != RIM_TYPEKEYBOARD) return;
  auto* state = reinterpret_cast<WatcherState*>(GetWindowLongPtrW(w, GWLP_USERDATA));
  const bool key_up = (raw.data.keyboard.Flags & RI_KEY_BREAK) != 0;
  if (state && wminput::IsNewLockPress(state->keys, raw.data.keyboard.VKey, key_up, GetMessageTime()))
    PostMessageW(state->controller, kLocksChanged, 0, 0);
}

void SetKeyboardSink(HWND target, DWORD flags) {
  RAWINPUTDEVICE device;
  device.usUsagePage = 0x01;  // generic desktop
  device.usUsage = 0x06;      // keyboard
  device.dwFlags = flags;
  device.hwndTarget = target;
  RegisterRawInputDevices(&device, 1, sizeof device);
}

LRESULT CALLBACK WatcherProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INPUT: OnRawInput(w, reinterpret_cast<HRAWINPUT>(lp)); break;  // DefWindowProc frees it
    case WM_CLOSE: DestroyWindow(w); return 0;
    case WM_DESTROY:
      SetKeyboardSink(nullptr, RIDEV_REMOVE);
      PostQuitMessage(0);
      return 0;
    default: break;
  }
  return DefWindowProcW(w, msg, wp, lp);
}

// Filled field by field: no aggregate initialisation, which would call memset from a runtime
// this library does not link.
void RegisterPlainClass(WNDPROC procedure, const wchar_t* name) {
  WNDCLASSW wc;
  wc.style = 0;
  wc.lpfnWndProc = procedure;
  wc.cbClsExtra = wc.cbWndExtra = 0;
  wc.hInstance = g_module;
  wc.hIcon = nullptr;
  wc.hCursor = nullptr;
  wc.hbrBackground = nullptr;
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = name;
  RegisterClassW(&wc);
}

HWND MakeWatcherWindow(WatcherState* state) {
  RegisterPlainClass(&WatcherProc, kWatcherClass);
  HWND w = CreateWindowExW(0, kWatcherClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, g_module, nullptr);
  if (w == nullptr) return nullptr;
  SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
  SetKeyboardSink(w, RIDEV_INPUTSINK);
  return w;
}

// Runs holding a reference to the library that Attach took for it, and drops it only as it
// ends: the library is never unloaded under a running watcher, and its unload never has to
// wait for a thread under the loader lock.
DWORD WINAPI WatchLockKeys(void* controller) {
  WatcherState state;
  state.controller = static_cast<HWND>(controller);
  for (int i = 0; i < 3; ++i) {
    state.keys.down[i] = false;
    state.keys.last_down_ms[i] = 0;
  }
  if (HWND w = MakeWatcherWindow(&state)) {
    __atomic_store_n(&g_watcher, w, __ATOMIC_SEQ_CST);
    if (__atomic_load_n(&g_stop_asked, __ATOMIC_SEQ_CST)) DestroyWindow(w);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    __atomic_store_n(&g_watcher, static_cast<HWND>(nullptr), __ATOMIC_SEQ_CST);
  }
  UnregisterClassW(kWatcherClass, g_module);
  FreeLibraryAndExitThread(g_module, 0);
  return 0;
}

void StopWatcher() {
  __atomic_store_n(&g_stop_asked, 1, __ATOMIC_SEQ_CST);
  if (HWND w = __atomic_load_n(&g_watcher, __ATOMIC_SEQ_CST)) PostMessageW(w, WM_CLOSE, 0, 0);
}

// ---- the user-interface thread ----

HWND HandleOf(uint32_t window) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(window)); }

void StartWatcher(void*, uint32_t controller) {
  HMODULE reference = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&WatchLockKeys),
                          &reference))
    return;
  HANDLE thread = CreateThread(nullptr, 0, &WatchLockKeys, HandleOf(controller), 0, nullptr);
  if (thread == nullptr) {
    FreeLibrary(reference);
    return;
  }
  CloseHandle(thread);
}

void ArmLinkTimer(void*, uint32_t, uint32_t interval_ms) {
  if (g_client) SetTimer(g_client, kLinkTimer, interval_ms, nullptr);
}

void DisarmLinkTimer(void*) {
  if (g_client) KillTimer(g_client, kLinkTimer);
}

void InitLink(void*) {
  namespace poll = shell::battery_poll;
  InitDriver(g_client, kLinkInput, poll::kKeyboardVendorId, poll::kKeyboardProductId, poll::kUsagePage,
             poll::kQueryB.usage);
}

wminput::Component g_component = {{nullptr, &StartWatcher, &ArmLinkTimer, &DisarmLinkTimer, &InitLink}, false, false};

LRESULT CALLBACK LinkClientProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      if (wp == kLinkTimer) wminput::LinkTimerTick(g_component);
      return 0;
    case kLinkPresent: g_keyboard_present = true; return 0;
    case kLinkAbsent: g_keyboard_present = false; return 0;
    case kLinkInput: return 0;
    case WM_DESTROY:
      StopWatcher();
      g_client = nullptr;
      return 0;
    default: return DefWindowProcW(w, msg, wp, lp);
  }
}

HWND MakeLinkClient(HWND controller) {
  RegisterPlainClass(&LinkClientProc, kClientClass);
  // No notices of its own coming and going for the controller: it is none of the controller's.
  return CreateWindowExW(WS_EX_NOPARENTNOTIFY, kClientClass, L"", WS_CHILD, 0, 0, 0, 0, controller, nullptr, g_module,
                         nullptr);
}

}  // namespace

extern "C" int WMINPUT_API WmInputAttach(std::uint32_t controller_window) {
  if (!g_component.attached) g_client = MakeLinkClient(HandleOf(controller_window));
  wminput::Attach(g_component, controller_window);
  return g_client != nullptr;
}

// No C runtime: this is the library's entry itself.
extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE module, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = module;
    DisableThreadLibraryCalls(module);
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    // Let go while the process goes on: the watcher has ended (it holds the library while it
    // runs); the client normally went with the controller, and its class must not outlive us.
    if (g_client) DestroyWindow(g_client);
    UnregisterClassW(kClientClass, g_module);
  }
  return TRUE;
}
