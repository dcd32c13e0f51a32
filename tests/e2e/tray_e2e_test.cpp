#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/e2e/harness.h"

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

class Tray : public ::testing::Test {
 protected:
  void SetUp() override {
    EndAllInstances();
    InstallDefaultSettings();
    instance = std::make_unique<Process>(L"\"" + LedglowPath() + L"\"", BinaryDir());
    ASSERT_TRUE(WaitFor([&] { return Strip() != nullptr; }, 20s));
    // The tray icon appears once the controller has made it.
    ASSERT_TRUE(WaitFor([] { return !RunHost("xdotool search --onlyvisible --name 'Wine System Tray'").empty(); },
                        20s));
  }
  void TearDown() override {
    EndAllInstances();
    instance.reset();
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

// A window of the test that has the keyboard focus, as the user's program would.
class FocusWindow {
 public:
  FocusWindow() : window_("LedglowFocusProbe", "focus probe") {
    SetWindowPos(window_.Handle(), nullptr, 100, 100, 300, 200, SWP_NOZORDER);
    ShowWindow(window_.Handle(), SW_SHOW);
    SetForegroundWindow(window_.Handle());
    SetFocus(window_.Handle());
    Pump(300ms);
  }
  HWND Handle() const { return window_.Handle(); }

 private:
  RecordingWindow window_;
};

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
    EXPECT_TRUE(WaitFor([&] { return !StripVisible(); }, 8s));
    const auto shown_for = std::chrono::steady_clock::now() - pressed;
    EXPECT_GE(shown_for, 4800ms);  // measured from when the click tool returned
    EXPECT_LE(shown_for, 6500ms);
  }
}

TEST_F(Tray, MiddlePressShowsNothing) {
  ASSERT_TRUE(ClickTrayIcon(2));
  Pump(1500ms);
  EXPECT_FALSE(StripVisible());
}

TEST_F(Tray, PicturesFollowTheLockKeysThroughTheInputComponent) {
  ASSERT_TRUE(ClickTrayIcon(1));
  ASSERT_TRUE(WaitFor([&] { return StripVisible(); }, 3s));
  Pump(300ms);
  constexpr int kNum = 5, kCaps = 36, kScroll = 67;
  EXPECT_TRUE(Near(CapColour(kCaps, "strip-locks-off"), 242, 240, 218));
  EXPECT_TRUE(Near(CapColour(kNum, "strip-locks-off"), 242, 240, 218));
  EXPECT_TRUE(Near(CapColour(kScroll, "strip-locks-off"), 242, 240, 218));

  RunHost("xdotool key Caps_Lock");
  const bool green = WaitFor([&] { return Near(CapColour(kCaps, "strip-caps-on"), 124, 253, 53); }, 1500ms);
  EXPECT_TRUE(green) << "the Caps cap did not turn green";
  EXPECT_TRUE(Near(CapColour(kNum, "strip-caps-on"), 242, 240, 218));
  RunHost("xdotool key Caps_Lock");
  EXPECT_TRUE(WaitFor([&] { return Near(CapColour(kCaps, "strip-caps-off-again"), 242, 240, 218); }, 1500ms));
}

TEST_F(Tray, DragMovesTheStripAndSavesItsNewPosition) {
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Korvel\\VOVEzurevo");
  ASSERT_TRUE(ClickTrayIcon(1));
  ASSERT_TRUE(WaitFor([&] { return StripVisible(); }, 3s));
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
  ASSERT_TRUE(WaitFor([&] { return StripVisible(); }, 3s));
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

TEST_F(Tray, QuitRemovesTheTrayIcon) {
  Process quit(L"\"" + LedglowPath() + L"\" /q");
  ASSERT_TRUE(quit.WaitExit(20s));
  ASSERT_TRUE(instance->WaitExit(20s));
  EXPECT_EQ(instance->ExitCode(), 0u);
  EXPECT_TRUE(WaitFor([] { return RunHost("xdotool search --onlyvisible --name 'Wine System Tray'").empty(); }, 5s));
}

}  // namespace
}  // namespace e2e
