// The baseline of the start-up benchmark: the least a notification-area program does, one
// hidden window that adds a tray icon, then a message loop until WM_QUIT.
#include <windows.h>
#include <shellapi.h>

namespace {

constexpr char kClass[] = "TBareTray";
constexpr UINT kTrayMessage = WM_APP + 1;

NOTIFYICONDATAA g_icon{};

LRESULT CALLBACK BareTrayProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      g_icon.cbSize = sizeof g_icon;
      g_icon.hWnd = w;
      g_icon.uID = 1;
      g_icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
      g_icon.uCallbackMessage = kTrayMessage;
      g_icon.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
      lstrcpynA(g_icon.szTip, "Bare tray", sizeof g_icon.szTip);
      Shell_NotifyIconA(NIM_ADD, &g_icon);
      return 0;
    case WM_DESTROY:
      Shell_NotifyIconA(NIM_DELETE, &g_icon);
      return 0;
    default:
      return DefWindowProcA(w, msg, wp, lp);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &BareTrayProc;
  wc.hInstance = instance;
  wc.lpszClassName = kClass;
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, kClass, "Bare tray", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  DestroyWindow(window);
  return 0;
}
