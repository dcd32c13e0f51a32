#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tests/e2e/harness.h"
// After windows.h, which the harness brings.
#include <shellapi.h>

namespace e2e {
namespace {

using namespace std::chrono_literals;

std::string ScreenshotDir() {
  const char* dir = std::getenv("LEDGLOW_SCREENSHOT_DIR");
  return dir && *dir ? dir : "/tmp";
}

bool Near(Rgb c, int r, int g, int b) {
  return std::abs(c.r - r) <= 24 && std::abs(c.g - g) <= 24 && std::abs(c.b - b) <= 24;
}

bool TrayWindowShown() { return !RunHost("xdotool search --onlyvisible --name 'Wine System Tray'").empty(); }

class Tray : public ::testing::Test {
 protected:
  void SetUp() override {
    EndAllInstances();
    instance = Launch();
    ASSERT_TRUE(WaitFor([&] { return Strip() != nullptr; }, 20s)) << "the program made no strip";
    // The tray icon appears once the controller has made it.
    ASSERT_TRUE(WaitFor([] { return TrayWindowShown(); }, 20s)) << "no tray icon";
  }
  void TearDown() override {
    EndAllInstances();
    instance.reset();
  }
  virtual std::unique_ptr<Process> Launch() {
    InstallDefaultSettings();
    return std::make_unique<Process>(L"\"" + LedglowPath() + L"\"", BinaryDir());
  }
  HWND Strip() const {
    for (HWND w : TopWindows("TRFLed", "RFLed"))
      if (WindowProcess(w) == instance->Id()) return w;
    return nullptr;
  }
  bool StripVisible() const { return IsWindowVisible(Strip()) != FALSE; }
  // A point on the face of a key cap, off its glyph.
  POINT CapFace(int led_left) const {
    RECT r{};
    GetWindowRect(Strip(), &r);
    return {r.left + led_left + 4, r.top + 6 + 12};
  }
  Rgb CapColour(int led_left, const std::string& name) {
    const std::string path = ScreenshotDir() + "/" + name + ".png";
    if (!Screenshot(path)) return {};
    const POINT p = CapFace(led_left);
    return PixelOf(path, p.x, p.y);
  }

  std::unique_ptr<Process> instance;
};

constexpr int kNum = 5, kCaps = 36, kScroll = 67;  // left edges of the key caps
constexpr UINT kVkA = 0x41;

TEST_F(Tray, LeftOrRightPressShowsTheStripAtTheCornerAndTheFocusStays) {
  for (int button : {1, 3}) {
    FocusWindow focus;
    ASSERT_EQ(GetForegroundWindow(), focus.Handle());
    ASSERT_TRUE(ClickTrayIcon(button));
    const auto pressed = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitFor([&] { return StripVisible(); }, 3s)) << "button " << button;
    Pump(100ms);
    RECT r{};
    GetWindowRect(Strip(), &r);
    const RECT work = WorkArea();
    EXPECT_EQ(r.right - r.left, 98);
    EXPECT_EQ(r.bottom - r.top, 36);
    EXPECT_EQ(r.left, work.right - 98 - 20);
    EXPECT_EQ(r.top, work.bottom - 46);
    EXPECT_TRUE(GetWindowLongA(Strip(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    // The click on the notification area may activate the tray itself, never our windows.
    const HWND foreground = GetForegroundWindow();
    EXPECT_NE(foreground, Strip());
    EXPECT_NE(WindowProcess(foreground), instance->Id()) << "the strip took the focus";
    // Hold 5 s, then six 10 ms steps (coarser timers only slow it down).
    EXPECT_TRUE(WaitFor([&] { return !StripVisible(); }, 8s)) << "the strip did not sink away";
    const auto shown_for = std::chrono::steady_clock::now() - pressed;
    EXPECT_GE(shown_for, 4800ms);  // measured from when the click tool returned
    EXPECT_LE(shown_for, 6500ms);
  }
}

// Run at any display scale: the strip's size and its corner offsets are the 96-DPI figures
// scaled, and its key caps are the pictures drawn for that scale, not stretched ones.
TEST_F(Tray, StripTakesTheDisplaysScaleAtTheScaledCorner) {
  SetProcessDPIAware();  // this process then sees physical pixels, as the strip does
  const int dpi = DisplayDpi();
  if (const char* asked = std::getenv("LEDGLOW_EXPECT_DPI"); asked && *asked)
    ASSERT_EQ(dpi, std::atoi(asked)) << "the prefix does not run at the scale the test was asked for";
  ASSERT_TRUE(ClickTrayIcon(1));
  ASSERT_TRUE(WaitFor([&] { return StripVisible(); }, 3s)) << "the strip did not show";
  Pump(300ms);
  RECT r{};
  GetWindowRect(Strip(), &r);
  const RECT work = WorkArea();
  const int width = MulDiv(98, dpi, 96), height = MulDiv(36, dpi, 96);
  std::printf("strip at %d DPI: %ld x %ld at (%ld, %ld); work area right %ld bottom %ld\n", dpi, r.right - r.left,
              r.bottom - r.top, r.left, r.top, work.right, work.bottom);
  EXPECT_EQ(r.right - r.left, width);
  EXPECT_EQ(r.bottom - r.top, height);
  EXPECT_EQ(r.left, work.right - width - MulDiv(20, dpi, 96));
  EXPECT_EQ(r.top, work.bottom - height - MulDiv(10, dpi, 96));

  const std::string shot = ScreenshotDir() + "/strip-" + std::to_string(dpi) + "dpi-screen.png";
  ASSERT_TRUE(Screenshot(shot)) << "no screenshot";
  RunHost("convert " + shot + " -crop " + std::to_string(width) + "x" + std::to_string(height) + "+" +
          std::to_string(r.left) + "+" + std::to_string(r.top) + " +repage " + ScreenshotDir() + "/strip-" +
          std::to_string(dpi) + "dpi.png");
  // The Caps cap's face, off its glyph, is the off colour over a whole scaled pixel block.
  const int cap_left = MulDiv(36, dpi, 96), cap_top = MulDiv(6, dpi, 96), cap = MulDiv(24, dpi, 96);
  for (const auto& [x, y] : {std::pair{cap_left + cap / 6, cap_top + cap / 2}, {cap_left + cap - 1 - cap / 6, cap_top + cap / 2}}) {
    const Rgb c = PixelOf(shot, r.left + x, r.top + y);
    EXPECT_TRUE(Near(c, 242, 240, 218)) << "(" << x << "," << y << ") is " << c.r << "," << c.g << "," << c.b;
  }
}

TEST_F(Tray, MiddlePressShowsNothing) {
  ASSERT_TRUE(ClickTrayIcon(2));
  Pump(1500ms);
  EXPECT_FALSE(StripVisible());
}

TEST_F(Tray, PicturesFollowTheLockKeysThroughTheInputComponent) {
  ASSERT_TRUE(ClickTrayIcon(1));
  ASSERT_TRUE(WaitFor([&] { return StripVisible(); }, 3s)) << "a press on the icon showed no strip";
  Pump(300ms);
  EXPECT_TRUE(Near(CapColour(kCaps, "strip-locks-off"), 242, 240, 218));
  EXPECT_TRUE(Near(CapColour(kNum, "strip-locks-off"), 242, 240, 218));
  EXPECT_TRUE(Near(CapColour(kScroll, "strip-locks-off"), 242, 240, 218));

  RunHost("xdotool key Caps_Lock");
  const bool green = WaitFor([&] { return Near(CapColour(kCaps, "strip-caps-on"), 124, 253, 53); }, 1500ms);
  EXPECT_TRUE(green) << "the Caps cap did not turn green";
  EXPECT_TRUE(Near(CapColour(kNum, "strip-caps-on"), 242, 240, 218));
  RunHost("xdotool key Caps_Lock");
  EXPECT_TRUE(WaitFor([&] { return Near(CapColour(kCaps, "strip-caps-off-again"), 242, 240, 218); }, 1500ms))
      << "the Caps cap did not turn back to cream";
}

TEST_F(Tray, DragMovesTheStripAndSavesItsNewPosition) {
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Korvel\\VOVEzurevo");
  ASSERT_TRUE(ClickTrayIcon(1));
  ASSERT_TRUE(WaitFor([&] { return StripVisible(); }, 3s)) << "a press on the icon showed no strip";
  Pump(200ms);
  RECT before{};
  GetWindowRect(Strip(), &before);
  const int x = before.left + 36 + 12, y = before.top + 6 + 12;  // on the Caps cap
  RunHost("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " mousedown 1 sleep 0.1 mousemove " +
          std::to_string(x - 20) + " " + std::to_string(y - 30) + " sleep 0.1 mousemove " + std::to_string(x - 60) +
          " " + std::to_string(y - 90) + " sleep 0.2 mouseup 1");
  Pump(300ms);
  RECT after{};
  GetWindowRect(Strip(), &after);
  EXPECT_EQ(after.left, before.left - 60);
  EXPECT_EQ(after.top, before.top - 90);
  DWORD x_saved = 0, y_saved = 0, size = sizeof x_saved;
  ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Korvel\\VOVEzurevo", "POSX", RRF_RT_REG_DWORD, nullptr,
                         &x_saved, &size), ERROR_SUCCESS);
  size = sizeof y_saved;
  ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Korvel\\VOVEzurevo", "POSY", RRF_RT_REG_DWORD, nullptr,
                         &y_saved, &size), ERROR_SUCCESS);
  EXPECT_EQ(static_cast<LONG>(x_saved), after.left);
  EXPECT_EQ(static_cast<LONG>(y_saved), after.top);
}

TEST_F(Tray, CloseRequestsLeaveTheStrip) {
  ASSERT_TRUE(ClickTrayIcon(1));
  ASSERT_TRUE(WaitFor([&] { return StripVisible(); }, 3s)) << "a press on the icon showed no strip";
  PostMessageA(Strip(), WM_SYSCOMMAND, SC_CLOSE, 0);
  PostMessageA(Strip(), WM_CLOSE, 0, 0);
  Pump(300ms);
  EXPECT_TRUE(StripVisible());
  EXPECT_EQ(instance->ExitCode(), STILL_ACTIVE);
}

TEST_F(Tray, ApplicationWindowIsAToolWindowWithoutTaskbarEntry) {
  HWND app = nullptr;
  for (HWND w : TopWindows("TApplication", "DED EZORUZ KEYBOARD-KORVELID09"))
    if (WindowProcess(w) == instance->Id()) app = w;
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(app, GWL_EXSTYLE)), static_cast<DWORD>(WS_EX_TOOLWINDOW));
  EXPECT_FALSE(IsWindowVisible(app));
}

TEST_F(Tray, IconComesBackWhenTheShellIsStartedAgainAndAPressStillShowsTheStrip) {
  HWND controller = nullptr;
  for (HWND w : TopWindows("TSetupFrm", "DED EZORUZ SETUP-KORVELID09"))
    if (WindowProcess(w) == instance->Id()) controller = w;
  ASSERT_NE(controller, nullptr);
  // The notification area forgets the icon, as a shell that ends does (the program's one icon
  // has id 1).
  NOTIFYICONDATAA icon{};
  icon.cbSize = NOTIFYICONDATAA_V2_SIZE;
  icon.hWnd = controller;
  icon.uID = 1;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &icon)) << "the icon could not be removed from outside";
  ASSERT_TRUE(WaitFor([] { return !TrayWindowShown(); }, 5s)) << "the icon did not go";
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  EXPECT_TRUE(WaitFor([] { return TrayWindowShown(); }, 5s)) << "the icon did not come back";
  ASSERT_TRUE(ClickTrayIcon(1));
  EXPECT_TRUE(WaitFor([&] { return StripVisible(); }, 3s)) << "a press on the icon that came back showed no strip";
}

TEST_F(Tray, QuitRemovesTheTrayIcon) {
  Process quit(L"\"" + LedglowPath() + L"\" /q");
  ASSERT_TRUE(quit.WaitExit(20s)) << "the \"/q\" start did not end";
  ASSERT_TRUE(instance->WaitExit(20s)) << "the program did not end on \"/q\"";
  EXPECT_EQ(instance->ExitCode(), 0u);
  EXPECT_TRUE(WaitFor([] { return !TrayWindowShown(); }, 5s)) << "the tray icon stayed after the program ended";
}

// The program beside a link library whose query can be made to keep the user-interface thread
// busy for 3 s, with a short poll period so that a round comes soon after the request.
class BusyTray : public Tray {
 protected:
  std::unique_ptr<Process> Launch() override {
    InstallSettings(500, StandinDir());
    return std::make_unique<Process>(L"\"" + StandinDir() + L"\\ledglow.exe\"", StandinDir());
  }
  void TearDown() override {
    Tray::TearDown();
    InstallDefaultSettings();
  }
  static bool Signalled(HANDLE event) { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }
  // Time from the typing tool's start until the first key-down of `vk` reaches the window.
  static std::chrono::milliseconds TypeAndTime(FocusWindow& window, const char* key, UINT vk) {
    const std::size_t seen = window.Recorder().Messages().size();
    const auto typed = std::chrono::steady_clock::now();
    RunHost(std::string("xdotool key ") + key);
    WaitFor([&] {
      const auto& m = window.Recorder().Messages();
      return std::any_of(m.begin() + seen, m.end(), [&](const auto& r) { return r.msg == WM_KEYDOWN && r.wparam == vk; });
    }, 6s);
    const auto& m = window.Recorder().Messages();
    for (auto it = m.begin() + seen; it != m.end(); ++it)
      if (it->msg == WM_KEYDOWN && it->wparam == vk)
        return std::chrono::duration_cast<std::chrono::milliseconds>(it->retrieved - typed);
    return std::chrono::milliseconds::max();
  }

  ~BusyTray() override {
    for (HANDLE e : {request, blocking, released}) CloseHandle(e);
  }

  HANDLE request = CreateEventA(nullptr, FALSE, FALSE, "LedglowStandinBlockRequest");
  HANDLE blocking = CreateEventA(nullptr, TRUE, FALSE, "LedglowStandinBlocking");
  HANDLE released = CreateEventA(nullptr, TRUE, FALSE, "LedglowStandinReleased");
};

TEST_F(BusyTray, TypingGoesOnAndCapsLockStillShowsWhileAQueryHoldsTheProgram) {
  ASSERT_TRUE(ClickTrayIcon(1));
  ASSERT_TRUE(WaitFor([&] { return StripVisible(); }, 3s)) << "the strip did not pop up";
  FocusWindow focus("LedglowTypingProbe");
  ASSERT_EQ(GetForegroundWindow(), focus.Handle());
  const auto idle = TypeAndTime(focus, "a", kVkA);
  ASSERT_NE(idle, std::chrono::milliseconds::max()) << "a typed key never reached the focused window";
  SetEvent(request);
  ASSERT_TRUE(WaitFor([&] { return Signalled(blocking); }, 5s)) << "no poll round reached the held query";
  const auto busy = TypeAndTime(focus, "a", kVkA);
  std::printf("key-down delay: %lld ms idle, %lld ms while the query holds the program\n",
              static_cast<long long>(idle.count()), static_cast<long long>(busy.count()));
  EXPECT_FALSE(Signalled(released)) << "the typed key waited for the held query (" << busy.count() << " ms)";

  RunHost("xdotool key Caps_Lock");
  ASSERT_FALSE(Signalled(released)) << "the query returned before Caps Lock was pressed";
  ASSERT_TRUE(WaitFor([&] { return Signalled(released); }, 6s)) << "the held query never returned";
  const bool green = WaitFor([&] { return Near(CapColour(kCaps, "busy-caps-on"), 124, 253, 53); }, 1500ms);
  EXPECT_TRUE(green) << "a Caps Lock press during the held query did not reach the strip";
  RunHost("xdotool key Caps_Lock");
  EXPECT_TRUE(WaitFor([&] { return Near(CapColour(kCaps, "busy-caps-off"), 242, 240, 218); }, 1500ms))
      << "the Caps cap did not turn back to cream";
}

}  // namespace
}  // namespace e2e
