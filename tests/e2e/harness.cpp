#include "tests/e2e/harness.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace e2e {
namespace {
std::vector<RecordingWindow*>& Recorders() {
  static std::vector<RecordingWindow*> recorders;
  return recorders;
}
}  // namespace

std::wstring BinaryDir() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path);
  return p.substr(0, p.find_last_of(L"\\/"));
}

std::wstring LedglowPath() { return BinaryDir() + L"\\ledglow.exe"; }

std::wstring StandinDir() { return BinaryDir() + L"\\standin"; }

Process::Process(const std::wstring& command_line, const std::wstring& directory) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  std::wstring line = command_line;  // CreateProcessW may write into it
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &si, &info_))
    info_ = {};
}

Process::~Process() {
  if (info_.hProcess) {
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) Kill();
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
}

bool Process::WaitExit(std::chrono::milliseconds limit) {
  if (!info_.hProcess) return true;
  return WaitFor([this] { return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }, limit);
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (info_.hProcess) GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

void Process::Kill() {
  if (info_.hProcess) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 5000);
  }
}

void Pump(std::chrono::milliseconds duration) {
  WaitFor([] { return false; }, duration);
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      for (RecordingWindow* r : Recorders()) r->Observe(msg);
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

namespace {
struct FindArgs {
  const char* class_name;
  const char* title;
  std::vector<HWND>* found;
};
BOOL CALLBACK Collect(HWND w, LPARAM lp) {
  auto* args = reinterpret_cast<FindArgs*>(lp);
  char cls[256] = {}, text[256] = {};
  GetClassNameA(w, cls, sizeof cls);
  GetWindowTextA(w, text, sizeof text);
  if (lstrcmpA(cls, args->class_name) == 0 && (args->title == nullptr || lstrcmpA(text, args->title) == 0))
    args->found->push_back(w);
  return TRUE;
}
}  // namespace

std::vector<HWND> TopWindows(const char* class_name, const char* title) {
  std::vector<HWND> found;
  FindArgs args{class_name, title, &found};
  EnumWindows(&Collect, reinterpret_cast<LPARAM>(&args));
  return found;
}

DWORD WindowProcess(HWND w) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  return pid;
}

void EndAllInstances() {
  for (HWND w : TopWindows("TSetupFrm", "DED EZORUZ SETUP-KORVELID09"))
    if (WindowProcess(w) != GetCurrentProcessId()) PostMessageA(w, WM_QUIT, 0, 0);
  WaitFor([] { return TopWindows("TRFLed", nullptr).empty(); }, std::chrono::seconds(10));
}

RecordingWindow::RecordingWindow(const char* class_name, const char* title) : class_name_(class_name) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &RecordingWindow::Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = class_name;
  RegisterClassA(&wc);
  hwnd_ = CreateWindowExA(0, class_name, title, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
  Recorders().push_back(this);
}

RecordingWindow::~RecordingWindow() {
  std::erase(Recorders(), this);
  if (hwnd_) DestroyWindow(hwnd_);
  UnregisterClassA(class_name_.c_str(), GetModuleHandleA(nullptr));
}

LRESULT CALLBACK RecordingWindow::Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

void RecordingWindow::Observe(const MSG& msg) {
  if (msg.hwnd == hwnd_)
    messages_.push_back({msg.message, msg.wParam, msg.lParam, std::chrono::steady_clock::now()});
}

const std::vector<RecordingWindow::Received>& RecordingWindow::Messages() {
  Pump(std::chrono::milliseconds(0));
  return messages_;
}

FocusWindow::FocusWindow(const char* class_name) : window_(class_name, "focus probe") {
  SetWindowPos(window_.Handle(), nullptr, 100, 100, 300, 200, SWP_NOZORDER);
  ShowWindow(window_.Handle(), SW_SHOW);
  SetForegroundWindow(window_.Handle());
  SetFocus(window_.Handle());
  // Without a window manager the X server gives the keys to the window under the pointer.
  RunHost("xdotool mousemove 250 200");
  Pump(std::chrono::milliseconds(300));
}

std::string RunHost(const std::string& shell_command) {
  // Wine gives no process handle for a host program, so the command renames its output into
  // place when it is done and the test waits for that file.
  static int serial = 0;
  const std::string out = "/tmp/ledglow-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
                          std::to_string(++serial) + ".out";
  std::string escaped;
  for (char c : "{ " + shell_command + "; } > " + out + ".part 2>&1; mv " + out + ".part " + out) {
    if (c == '"' || c == '\\') escaped += '\\';
    escaped += c;
  }
  const std::string line = "/bin/sh -c \"" + escaped + "\"";
  std::wstring wline(line.begin(), line.end());
  // Wine runs a host program but reports the start as failed, so the result is not checked.
  Process p(wline);
  std::string dos = "Z:" + out;
  std::replace(dos.begin(), dos.end(), '/', '\\');
  if (!WaitFor([&] { return GetFileAttributesA(dos.c_str()) != INVALID_FILE_ATTRIBUTES; }, std::chrono::seconds(30)))
    return {};
  std::ifstream in(dos, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  in.close();
  DeleteFileA(dos.c_str());
  return text.str();
}

bool ClickTrayIcon(int button) {
  const std::string tray = RunHost("xdotool search --name 'Wine System Tray' | head -n 1");
  if (tray.empty()) return false;
  std::string id = tray.substr(0, tray.find('\n'));
  RunHost("xdotool mousemove --window " + id + " 10 10 click " + std::to_string(button));
  return true;
}

bool Screenshot(const std::string& host_path) {
  RunHost("import -window root " + host_path);
  std::string dos = "Z:" + host_path;
  std::replace(dos.begin(), dos.end(), '/', '\\');
  return GetFileAttributesA(dos.c_str()) != INVALID_FILE_ATTRIBUTES;
}

Rgb PixelOf(const std::string& host_png, int x, int y) {
  const std::string text = RunHost("convert " + host_png + " -format '%[fx:int(255*p{" + std::to_string(x) + "," +
                                   std::to_string(y) + "}.r)] %[fx:int(255*p{" + std::to_string(x) + "," +
                                   std::to_string(y) + "}.g)] %[fx:int(255*p{" + std::to_string(x) + "," +
                                   std::to_string(y) + "}.b)]' info:");
  Rgb c;
  std::sscanf(text.c_str(), "%d %d %d", &c.r, &c.g, &c.b);
  return c;
}

bool InstallSettings(DWORD interval, const std::wstring& app_path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VOVEzurevo\\Default", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return false;
  RegSetValueExA(key, "Interval", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&interval), sizeof interval);
  RegSetValueExW(key, L"APPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(app_path.c_str()),
                 static_cast<DWORD>((app_path.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return true;
}

void InstallDefaultSettings() { InstallSettings(10000, BinaryDir()); }

RECT WorkArea() {
  RECT r{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

// The display scale the user chose; 96 (100 %) when it was never set.
int DisplayDpi() {
  DWORD dpi = 0;
  DWORD size = sizeof dpi;
  if (RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", RRF_RT_REG_DWORD, nullptr, &dpi,
                   &size) != ERROR_SUCCESS || dpi == 0)
    return 96;
  return static_cast<int>(dpi);
}

}  // namespace e2e
