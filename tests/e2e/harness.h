#pragma once
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

// The folder of the test executable, where the build puts the product's binaries too.
std::wstring BinaryDir();
std::wstring LedglowPath();
// A copy of the program beside a stand-in link library (see standin/kbdlink_standin.cpp).
std::wstring StandinDir();

// A child process started with an exact command line, never through a shell.
class Process {
 public:
  Process(const std::wstring& command_line, const std::wstring& directory = L"");
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  bool Started() const { return info_.hProcess != nullptr; }
  DWORD Id() const { return info_.dwProcessId; }
  // Waits while pumping this thread's messages; true when the process has ended.
  bool WaitExit(std::chrono::milliseconds limit);
  DWORD ExitCode() const;
  void Kill();

 private:
  PROCESS_INFORMATION info_{};
};

// Pumps this thread's messages until the condition holds or the limit passes.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit);
void Pump(std::chrono::milliseconds duration);

std::vector<HWND> TopWindows(const char* class_name, const char* title);
DWORD WindowProcess(HWND w);
// Ends every running instance and waits until their windows are gone.
void EndAllInstances();

// A window of this process that records every message retrieved for it.
class RecordingWindow {
 public:
  RecordingWindow(const char* class_name, const char* title);
  ~RecordingWindow();
  HWND Handle() const { return hwnd_; }
  struct Received {
    UINT msg;
    WPARAM wparam;
    LPARAM lparam;
    std::chrono::steady_clock::time_point retrieved;
  };
  // Retrieves queued messages for the window (WM_QUIT included) and returns all seen so far.
  const std::vector<Received>& Messages();
  void Observe(const MSG& msg);

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = nullptr;
  std::string class_name_;
  std::vector<Received> messages_;
};

// A shown window of the test that holds the keyboard focus, as the user's program would.
class FocusWindow {
 public:
  explicit FocusWindow(const char* class_name = "LedglowFocusProbe");
  HWND Handle() const { return window_.Handle(); }
  RecordingWindow& Recorder() { return window_; }

 private:
  RecordingWindow window_;
};

// Runs a command of the host system (xdotool, ImageMagick) through /bin/sh and returns
// what it printed.
std::string RunHost(const std::string& shell_command);
// Presses a mouse button (1 left, 2 middle, 3 right) on our icon in the system tray window.
bool ClickTrayIcon(int button);
// Saves a screenshot of the whole screen as a PNG at a host path.
bool Screenshot(const std::string& host_path);
struct Rgb {
  int r = -1, g = -1, b = -1;
};
Rgb PixelOf(const std::string& host_png, int x, int y);
// The machine-wide settings: a poll period and an installation directory.
bool InstallSettings(DWORD interval, const std::wstring& app_path);
// The settings the program expects, as an installation writes them, for the build folder.
void InstallDefaultSettings();
RECT WorkArea();

// The display scale the user chose (HKCU\Control Panel\Desktop LogPixels); 96 when never set.
int DisplayDpi();

}  // namespace e2e
