#include "toolkit/win32_backend.h"

#include <windows.h>
#include <shellapi.h>

#include <exception>
#include <map>
#include <set>
#include <string>

#include "toolkit/canvas.h"
#include "toolkit/dpi.h"

namespace tk {
namespace {

constexpr UINT kTrayCallback = WM_APP + 1;
constexpr UINT kTrayIconId = 1;

HWND H(WindowId w) { return reinterpret_cast<HWND>(w); }
WindowId Id(HWND h) { return reinterpret_cast<WindowId>(h); }
HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

// Functions of newer Windows versions, looked up at run time so that the program still starts
// where they are missing.
template <typename F>
F User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  return user32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

// The system DPI is fixed for the process's life; read once, not at every animation step.
int SystemDpi() {
  static const int dpi = [] {
    HDC screen = GetDC(nullptr);
    const int caps = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return caps > 0 ? caps : 96;
  }();
  return dpi;
}

int WindowDpi(HWND h) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (get_dpi_for_window && h) {
    const UINT dpi = get_dpi_for_window(h);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

struct GdiObject {
  HGDIOBJ h;
  explicit GdiObject(HGDIOBJ obj) : h(obj) {}
  ~GdiObject() {
    if (h) DeleteObject(h);
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
};

class Win32Canvas final : public Canvas {
 public:
  Win32Canvas(HDC dc, std::map<int, HBITMAP>& pictures) : dc_(dc), pictures_(pictures) {}
  void FillRect(Rect r, Color fill) override {
    GdiObject brush(CreateSolidBrush(RGB(fill.r, fill.g, fill.b)));
    RECT rc{r.left, r.top, r.right, r.bottom};
    ::FillRect(dc_, &rc, static_cast<HBRUSH>(brush.h));
  }
  void FrameRect(Rect r, Color border) override {
    GdiObject brush(CreateSolidBrush(RGB(border.r, border.g, border.b)));
    RECT rc{r.left, r.top, r.right, r.bottom};
    ::FrameRect(dc_, &rc, static_cast<HBRUSH>(brush.h));
  }
  void DrawPicture(int resource, Point at) override {
    HBITMAP bmp = Picture(resource);
    if (!bmp) return;
    BITMAP info{};
    GetObjectA(bmp, sizeof info, &info);
    HDC mem = CreateCompatibleDC(dc_);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(dc_, at.x, at.y, info.bmWidth, info.bmHeight, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
  }

 private:
  HBITMAP Picture(int resource) {
    auto it = pictures_.find(resource);
    if (it != pictures_.end()) return it->second;
    auto bmp = static_cast<HBITMAP>(
        LoadImageA(Instance(), MAKEINTRESOURCEA(resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    pictures_.emplace(resource, bmp);
    return bmp;
  }
  HDC dc_;
  std::map<int, HBITMAP>& pictures_;
};

class Win32Backend final : public Backend {
 public:
  ~Win32Backend() override {
    for (auto& [key, font] : fonts_)
      if (font) DeleteObject(font);
    for (auto& [id, bmp] : pictures_)
      if (bmp) DeleteObject(bmp);
    for (auto& [w, icon] : tray_icons_)
      if (icon) DestroyIcon(icon);
  }

  WindowId NewWindow(const WindowDesign& design, WindowSink* sink) override {
    if (!RegisterFormClass(design.class_name)) return 0;
    RECT r{design.bounds.left, design.bounds.top, design.bounds.right, design.bounds.bottom};
    if (design.client_size) AdjustWindowRectEx(&r, design.style, FALSE, design.ex_style);
    HWND h = CreateWindowExA(design.ex_style, design.class_name.c_str(), design.title.c_str(), design.style, r.left,
                             r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr, Instance(), sink);
    if (h && design.class_name == "TApplication") error_caption_ = design.title;
    if (h && design.dialog_keys) dialogs_.insert(h);
    return Id(h);
  }

  WindowId NewControl(WindowId parent, const ControlDesign& design) override {
    DWORD style = WS_CHILD | WS_VISIBLE | (design.tab_stop ? WS_TABSTOP : 0);
    const wchar_t* cls = L"BUTTON";
    switch (design.kind) {
      case ControlKind::Label: cls = L"STATIC"; style |= design.centred ? SS_CENTER : SS_LEFT; break;
      case ControlKind::CheckBox: style |= BS_AUTOCHECKBOX; break;
      case ControlKind::Button: style |= design.default_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON; break;
    }
    const Rect& r = design.bounds;
    HWND h = CreateWindowExW(0, cls, Wide(design.text), style, r.left, r.top, r.Width(), r.Height(), H(parent),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)), Instance(), nullptr);
    return Id(h);
  }
  void SetControlText(WindowId control, std::u16string_view text) override {
    std::u16string t(text);
    SetWindowTextW(H(control), Wide(t));
  }
  std::u16string ControlText(WindowId control) const override {
    wchar_t buf[512] = {};
    const int n = GetWindowTextW(H(control), buf, 512);
    return std::u16string(reinterpret_cast<const char16_t*>(buf), static_cast<std::size_t>(n > 0 ? n : 0));
  }
  bool Checked(WindowId control) const override {
    return SendMessageW(H(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void SetChecked(WindowId control, bool checked) override {
    SendMessageW(H(control), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  void SetFont(WindowId w, const Font& font) override {
    SendMessageW(H(w), WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(font, WindowDpi(H(w)))), TRUE);
  }
  void DestroyWindow(WindowId w) override {
    if (w == 0) return;
    dialogs_.erase(H(w));
    SetWindowLongPtrA(H(w), GWLP_USERDATA, 0);  // no more events to a form that is going
    ::DestroyWindow(H(w));
  }
  void SetVisible(WindowId w, bool visible) override {
    ShowWindow(H(w), visible ? SW_SHOWNOACTIVATE : SW_HIDE);
    if (visible) BringToFront(w);
  }
  bool IsVisible(WindowId w) const override { return IsWindowVisible(H(w)) != FALSE; }
  void BringToFront(WindowId w) override {
    const bool topmost = (GetWindowLongA(H(w), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    SetWindowPos(H(w), topmost ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  void SetBounds(WindowId w, Rect r) override {
    SetWindowPos(H(w), nullptr, r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  void SetClientSize(WindowId w, int width, int height) override {
    HWND h = H(w);
    RECT r{0, 0, width, height};
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjust_for_dpi = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    const auto style = static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE));
    const auto ex_style = static_cast<DWORD>(GetWindowLongA(h, GWL_EXSTYLE));
    if (adjust_for_dpi)
      adjust_for_dpi(&r, style, FALSE, ex_style, static_cast<UINT>(WindowDpi(h)));
    else
      AdjustWindowRectEx(&r, style, FALSE, ex_style);
    SetWindowPos(h, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Rect Bounds(WindowId w) const override {
    RECT r{};
    GetWindowRect(H(w), &r);
    return {r.left, r.top, r.right, r.bottom};
  }
  void SetExStyle(WindowId w, std::uint32_t ex_style) override {
    SetWindowLongA(H(w), GWL_EXSTYLE, static_cast<LONG>(ex_style));
    // The topmost band is only entered through the z-order call.
    SetWindowPos(H(w), (ex_style & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  std::uint32_t ExStyle(WindowId w) const override {
    return static_cast<std::uint32_t>(GetWindowLongA(H(w), GWL_EXSTYLE));
  }
  std::string Title(WindowId w) const override {
    char buf[256] = {};
    GetWindowTextA(H(w), buf, sizeof buf);
    return buf;
  }
  void SetTitle(WindowId w, std::string_view title) override {
    std::string t(title);
    SetWindowTextA(H(w), t.c_str());
    if (Title(w) == t) error_caption_ = t;
  }
  void Invalidate(WindowId w) override { InvalidateRect(H(w), nullptr, FALSE); }
  void SetMouseCapture(WindowId w, bool on) override {
    if (on)
      SetCapture(H(w));
    else if (GetCapture() == H(w))
      ReleaseCapture();
  }
  void SetForeground(WindowId w) override {
    if (IsIconic(H(w))) ShowWindow(H(w), SW_RESTORE);
    SetForegroundWindow(H(w));
  }
  int Dpi(WindowId w) const override { return WindowDpi(H(w)); }
  void ArmTimer(WindowId w, int timer_id, std::uint32_t interval_ms) override {
    SetTimer(H(w), static_cast<UINT_PTR>(timer_id), interval_ms, nullptr);
  }
  void DisarmTimer(WindowId w, int timer_id) override { KillTimer(H(w), static_cast<UINT_PTR>(timer_id)); }

  bool AddTrayIcon(WindowId w, const TrayIconDesign& design) override {
    HICON icon = TrayIcon(design.icon_resource, SmallIconSize(H(w)));
    NOTIFYICONDATAA nid = TrayData(w);
    nid.uFlags = NIF_MESSAGE | NIF_ICON | (design.tip.empty() ? 0 : NIF_TIP);
    nid.uCallbackMessage = kTrayCallback;
    nid.hIcon = icon;
    lstrcpynA(nid.szTip, design.tip.c_str(), sizeof nid.szTip);
    if (!Shell_NotifyIconA(NIM_ADD, &nid)) {
      if (icon) DestroyIcon(icon);
      return false;
    }
    tray_icons_[w] = icon;
    return true;
  }
  void DeleteTrayIcon(WindowId w) override {
    auto it = tray_icons_.find(w);
    if (it == tray_icons_.end()) return;
    NOTIFYICONDATAA nid = TrayData(w);
    Shell_NotifyIconA(NIM_DELETE, &nid);
    if (it->second) DestroyIcon(it->second);
    tray_icons_.erase(it);
  }

  WindowId FindTopWindow(std::string_view class_name, std::string_view title) const override {
    return Id(FindWindowA(std::string(class_name).c_str(), std::string(title).c_str()));
  }
  bool Post(WindowId w, const Message& m) override {
    return PostMessageA(H(w), m.msg, m.wparam, m.lparam) != FALSE;
  }
  std::intptr_t Send(WindowId w, const Message& m) override {
    return SendMessageA(H(w), m.msg, m.wparam, m.lparam);
  }
  std::uint32_t RegisterMessage(std::string_view name) override {
    return RegisterWindowMessageA(std::string(name).c_str());
  }
  void PostQuit() override { PostQuitMessage(0); }
  void RunMessageLoop() override {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (HWND top = GetAncestor(msg.hwnd, GA_ROOT); top && dialogs_.count(top) && IsDialogMessageW(top, &msg))
        continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  void ShowErrorBox(std::string_view caption, std::string_view text) override {
    MessageBoxA(nullptr, std::string(text).c_str(), std::string(caption).c_str(), MB_OK | MB_ICONERROR);
  }

 private:
  static const wchar_t* Wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

  // A font's pixel height is its point size at the DPI of the window that shows it.
  HFONT FontHandle(const Font& font, int dpi) {
    const std::string key = font.face + '\0' + std::to_string(font.charset) + '\0' + std::to_string(font.size_pt) +
                            '\0' + std::to_string(dpi);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    const int height = -MulDiv(font.size_pt, dpi, 72);
    HFONT f = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, font.charset, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.face.c_str());
    fonts_.emplace(key, f);
    return f;
  }

  // The shell shows the icon at the small-icon size of the window's DPI; the picture drawn for
  // that size is used, not a stretch of the 16 x 16 one.
  static int SmallIconSize(HWND h) {
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
    static const auto for_dpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    const int size = for_dpi ? for_dpi(SM_CXSMICON, static_cast<UINT>(WindowDpi(h))) : GetSystemMetrics(SM_CXSMICON);
    return size > 0 ? size : 16;
  }

  static HICON TrayIcon(int resource, int size) {
    const int dpi_of_size = MulDiv(size, kDefaultDpi, 16);
    auto load = [size](int id) {
      return static_cast<HICON>(LoadImageA(Instance(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
    };
    HICON icon = load(ScaledResource(resource, dpi_of_size));
    return icon ? icon : load(resource);
  }

  static NOTIFYICONDATAA TrayData(WindowId w) {
    NOTIFYICONDATAA nid{};
    nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
    nid.hWnd = H(w);
    nid.uID = kTrayIconId;
    return nid;
  }

  bool RegisterFormClass(const std::string& name) {
    if (classes_.count(name)) return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Win32Backend::WindowProc;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name.c_str();
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    classes_.insert(name);
    return true;
  }

  static MouseEvent Mouse(MouseAction action, MouseButton button, LPARAM lp) {
    return {action, button, {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))}};
  }

  static bool TrayEvent(LPARAM lp, MouseEvent& e) {
    switch (static_cast<UINT>(lp)) {
      case WM_LBUTTONDOWN: e = {MouseAction::Down, MouseButton::Left, {}}; return true;
      case WM_RBUTTONDOWN: e = {MouseAction::Down, MouseButton::Right, {}}; return true;
      case WM_MBUTTONDOWN: e = {MouseAction::Down, MouseButton::Middle, {}}; return true;
      case WM_LBUTTONDBLCLK: e = {MouseAction::DoubleClick, MouseButton::Left, {}}; return true;
      case WM_RBUTTONDBLCLK: e = {MouseAction::DoubleClick, MouseButton::Right, {}}; return true;
      case WM_MBUTTONDBLCLK: e = {MouseAction::DoubleClick, MouseButton::Middle, {}}; return true;
      case WM_LBUTTONUP: e = {MouseAction::Up, MouseButton::Left, {}}; return true;
      case WM_RBUTTONUP: e = {MouseAction::Up, MouseButton::Right, {}}; return true;
      case WM_MBUTTONUP: e = {MouseAction::Up, MouseButton::Middle, {}}; return true;
      default: return false;
    }
  }

  // Routes one message to the form; returns false for the default processing.
  static bool Route(HWND h, WindowSink& sink, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    result = 0;
    switch (msg) {
      case WM_TIMER: sink.OnTimerTick(static_cast<int>(wp)); return true;
      case WM_LBUTTONDOWN: SetCapture(h); sink.OnMouse(Mouse(MouseAction::Down, MouseButton::Left, lp)); return true;
      case WM_RBUTTONDOWN: SetCapture(h); sink.OnMouse(Mouse(MouseAction::Down, MouseButton::Right, lp)); return true;
      case WM_MBUTTONDOWN: sink.OnMouse(Mouse(MouseAction::Down, MouseButton::Middle, lp)); return true;
      case WM_MOUSEMOVE: sink.OnMouse(Mouse(MouseAction::Move, MouseButton::Left, lp)); return true;
      case WM_LBUTTONUP: ReleaseCapture(); sink.OnMouse(Mouse(MouseAction::Up, MouseButton::Left, lp)); return true;
      case WM_RBUTTONUP: ReleaseCapture(); sink.OnMouse(Mouse(MouseAction::Up, MouseButton::Right, lp)); return true;
      case WM_MBUTTONUP: sink.OnMouse(Mouse(MouseAction::Up, MouseButton::Middle, lp)); return true;
      case WM_CLOSE: sink.OnCloseQuery(); return true;
      case WM_COMMAND:
        if (LOWORD(wp) == IDCANCEL) {
          sink.OnCloseQuery();  // Escape in a dialog is a close request
        } else if (HIWORD(wp) == BN_CLICKED) {
          sink.OnCommand(LOWORD(wp));
        }
        return true;
      case WM_MOUSEACTIVATE:
        if (GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_NOACTIVATE) {
          result = MA_NOACTIVATE;
          return true;
        }
        return false;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        Win32Canvas canvas(dc, Self()->pictures_);
        sink.OnPaint(canvas);
        EndPaint(h, &ps);
        return true;
      }
      case WM_DPICHANGED: {
        const RECT& r = *reinterpret_cast<const RECT*>(lp);
        sink.OnDpiChanged(HIWORD(wp), Rect{r.left, r.top, r.right, r.bottom});
        return true;
      }
      case kTrayCallback: {
        MouseEvent e;
        if (TrayEvent(lp, e)) sink.OnTrayMouse(e);
        return true;
      }
      default: {
        std::intptr_t r = 0;
        bool handled = sink.OnWindowMessage(Message{msg, wp, lp}, r);
        result = r;
        return handled;
      }
    }
  }

  static LRESULT CALLBACK WindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
      SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* sink = reinterpret_cast<WindowSink*>(GetWindowLongPtrA(h, GWLP_USERDATA));
    if (sink == nullptr) return DefWindowProcA(h, msg, wp, lp);
    // Nothing may escape into the platform's dispatcher: an error in a handler is shown
    // and the loop goes on.
    try {
      LRESULT result = 0;
      if (Route(h, *sink, msg, wp, lp, result)) return result;
    } catch (const std::exception& e) {
      Self()->ShowErrorBox(Self()->error_caption_, e.what());
      return 0;
    } catch (...) {
      Self()->ShowErrorBox(Self()->error_caption_, "Unknown error");
      return 0;
    }
    return DefWindowProcA(h, msg, wp, lp);
  }

  static Win32Backend*& Self() {
    static Win32Backend* self = nullptr;
    return self;
  }

 public:
  Win32Backend() { Self() = this; }

 private:
  std::set<std::string> classes_;
  std::map<int, HBITMAP> pictures_;
  std::map<WindowId, HICON> tray_icons_;
  std::map<std::string, HFONT> fonts_;
  std::set<HWND> dialogs_;
  std::string error_caption_;
};

}  // namespace

std::unique_ptr<Backend> MakeWin32Backend() { return std::make_unique<Win32Backend>(); }

}  // namespace tk
