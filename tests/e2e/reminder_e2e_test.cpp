#include <gtest/gtest.h>

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
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(dlg); }, 3s));
  Pump(2s);
  EXPECT_FALSE(IsWindowVisible(dlg));
}

TEST_F(Reminder, DesignedTextsWithoutAMessageFileAndNoReminderWithoutAnAnswer) {
  Start(nullptr);
  ASSERT_TRUE(WaitFor([&] { return Dialog() != nullptr; }, 15s));
  Pump(5s);
  EXPECT_FALSE(IsWindowVisible(Dialog()));
  EXPECT_EQ(ControlText(102), L"Replace your wireless keyboard battery!");
  EXPECT_EQ(ControlText(1), L"OK");
}

}  // namespace
}  // namespace e2e
