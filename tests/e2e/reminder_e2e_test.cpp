#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

// A UTF-16LE message file with a byte-order mark; S076 is left out on purpose.
void WriteMessageFile() {
  CreateDirectoryW((StandinDir() + L"\\VXQ").c_str(), nullptr);
  const std::u16string text = u"\uFEFF[MSG]\r\nS032=Battery low: replace it soon\r\nS075=Ask me again later\r\n";
  HANDLE f = CreateFileW((StandinDir() + L"\\VXQ\\LNG_0409.vxq").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size() * 2), &written, nullptr);
  CloseHandle(f);
}

class Reminder : public ::testing::Test {
 protected:
  void SetUp() override {
    EndAllInstances();
    // The stand-in folder as installation directory, with a short poll period.
    ASSERT_TRUE(InstallSettings(500, StandinDir()));
  }
  void TearDown() override {
    EndAllInstances();
    SetEnvironmentVariableA("LEDGLOW_STANDIN_A", nullptr);
    SetEnvironmentVariableA("LEDGLOW_STANDIN_B", nullptr);
    DeleteFileW((StandinDir() + L"\\VXQ\\LNG_0409.vxq").c_str());
    InstallDefaultSettings();
  }
  void Start(const char* status_b) {
    SetEnvironmentVariableA("LEDGLOW_STANDIN_B", status_b);
    instance = std::make_unique<Process>(L"\"" + StandinDir() + L"\\ledglow.exe\"", StandinDir());
    ASSERT_TRUE(instance->Started());
  }
  HWND Dialog() const {
    for (HWND w : TopWindows("TRemindDlg", nullptr))
      if (WindowProcess(w) == instance->Id()) return w;
    return nullptr;
  }
  std::wstring ControlText(int id) const {
    wchar_t text[256] = {};
    GetWindowTextW(GetDlgItem(Dialog(), id), text, 256);
    return text;
  }
  std::unique_ptr<Process> instance;
};

TEST_F(Reminder, LowBatteryShowsTheDialogOnTopWithoutTakingTheFocus) {
  RecordingWindow focus("LedglowReminderFocus", "focus probe");
  ShowWindow(focus.Handle(), SW_SHOW);
  SetForegroundWindow(focus.Handle());
  WriteMessageFile();
  Start("1");
  ASSERT_TRUE(WaitFor([&] { return Dialog() && IsWindowVisible(Dialog()); }, 15s)) << "no reminder";
  HWND dlg = Dialog();
  char title[64] = "x";
  GetWindowTextA(dlg, title, sizeof title);
  EXPECT_STREQ(title, "");
  // The program sets exactly 0x88; the system adds the edge bit to any window with a dialog
  // frame, and nothing else.
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(dlg, GWL_EXSTYLE)) & ~static_cast<DWORD>(WS_EX_WINDOWEDGE), 0x88u);
  RECT client{}, window{};
  GetClientRect(dlg, &client);
  GetWindowRect(dlg, &window);
  EXPECT_EQ(client.right, 405);
  EXPECT_EQ(client.bottom, 98);
  const RECT work = WorkArea();
  EXPECT_LE(std::abs((window.left + window.right) / 2 - (work.left + work.right) / 2), 2);
  EXPECT_LE(std::abs((window.top + window.bottom) / 2 - (work.top + work.bottom) / 2), 2);
  EXPECT_NE(WindowProcess(GetForegroundWindow()), instance->Id()) << "the reminder took the focus";
  EXPECT_EQ(ControlText(102), L"Battery low: replace it soon");
  EXPECT_EQ(ControlText(101), L"Ask me again later");
  EXPECT_EQ(ControlText(1), L"S076");
  Pump(700ms);  // let the window be drawn before the picture
  Screenshot(std::string(std::getenv("LEDGLOW_SCREENSHOT_DIR") ? std::getenv("LEDGLOW_SCREENSHOT_DIR") : "/tmp") +
             "/reminder.png");

  // OK with the box ticked hides it; it is not shown again at once.
  SendMessageW(GetDlgItem(dlg, 1), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(dlg); }, 3s)) << "OK did not hide the reminder";
  Pump(2s);
  EXPECT_FALSE(IsWindowVisible(dlg));
}

// With no answer there is no reminder, and a dialog that never shows has made no controls.
TEST_F(Reminder, NoReminderWithoutAnAnswerAndNoControlsBeforeTheFirstShow) {
  Start(nullptr);
  ASSERT_TRUE(WaitFor([&] { return Dialog() != nullptr; }, 15s)) << "no reminder window";
  Pump(5s);
  EXPECT_FALSE(IsWindowVisible(Dialog()));
  EXPECT_EQ(GetWindow(Dialog(), GW_CHILD), nullptr) << "controls made before the first show";
}

// Run at any display scale: the client area and the controls are the 96-DPI design scaled, and
// each designed text, in the control's own font, fits its control whole.
TEST_F(Reminder, TakesTheDisplaysScaleWithItsDesignedTextsWhole) {
  SetProcessDPIAware();  // physical pixels, as the dialog sees them
  const int dpi = DisplayDpi();
  if (const char* asked = std::getenv("LEDGLOW_EXPECT_DPI"); asked && *asked)
    ASSERT_EQ(dpi, std::atoi(asked)) << "the prefix does not run at the scale the test was asked for";
  Start("1");
  ASSERT_TRUE(WaitFor([&] { return Dialog() && IsWindowVisible(Dialog()); }, 15s)) << "no reminder";
  HWND dlg = Dialog();
  RECT client{};
  GetClientRect(dlg, &client);
  std::printf("reminder at %d DPI: client area %ld x %ld\n", dpi, client.right, client.bottom);
  EXPECT_EQ(client.right, MulDiv(405, dpi, 96));
  EXPECT_EQ(client.bottom, MulDiv(98, dpi, 96));

  struct Designed {
    int id;
    RECT design;  // left, top, width, height at 96 DPI
    const wchar_t* text;
    int inner;  // pixels at 96 DPI the control keeps for itself (check mark, button edges)
  };
  const Designed controls[] = {{102, {9, 14, 387, 20}, L"Replace your wireless keyboard battery!", 0},
                               {101, {8, 38, 387, 20}, L"Remind me later", 17},
                               {1, {9, 64, 387, 25}, L"OK", 8}};
  HDC dc = GetDC(dlg);
  for (const Designed& c : controls) {
    HWND control = GetDlgItem(dlg, c.id);
    ASSERT_NE(control, nullptr) << "control " << c.id;
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, MulDiv(c.design.left, dpi, 96)) << "control " << c.id;
    EXPECT_EQ(r.top, MulDiv(c.design.top, dpi, 96)) << "control " << c.id;
    EXPECT_EQ(r.right - r.left, MulDiv(c.design.right, dpi, 96)) << "control " << c.id;
    EXPECT_EQ(r.bottom - r.top, MulDiv(c.design.bottom, dpi, 96)) << "control " << c.id;
    EXPECT_EQ(ControlText(c.id), c.text);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SIZE extent{};
    GetTextExtentPoint32W(dc, c.text, lstrlenW(c.text), &extent);
    SelectObject(dc, old);
    EXPECT_LE(extent.cx, r.right - r.left - MulDiv(c.inner, dpi, 96)) << "control " << c.id << " cuts its text";
    EXPECT_LE(metrics.tmHeight, r.bottom - r.top) << "control " << c.id << " cuts the tails of its letters";
  }
  ReleaseDC(dlg, dc);
  Pump(700ms);  // let the window be drawn before the picture
  const std::string dir = std::getenv("LEDGLOW_SCREENSHOT_DIR") ? std::getenv("LEDGLOW_SCREENSHOT_DIR") : "/tmp";
  const std::string shot = dir + "/reminder-" + std::to_string(dpi) + "dpi-screen.png";
  ASSERT_TRUE(Screenshot(shot)) << "no screenshot";
  RECT window{};
  GetWindowRect(dlg, &window);
  RunHost("convert " + shot + " -crop " + std::to_string(window.right - window.left) + "x" +
          std::to_string(window.bottom - window.top) + "+" + std::to_string(window.left) + "+" +
          std::to_string(window.top) + " +repage " + dir + "/reminder-" + std::to_string(dpi) + "dpi.png");
}

}  // namespace
}  // namespace e2e
