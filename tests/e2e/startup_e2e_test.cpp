#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr char kControllerClass[] = "TSetupFrm";
constexpr char kControllerTitle[] = "DED EZORUZ SETUP-KORVELID09";

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    EndAllInstances();
    InstallDefaultSettings();
  }
  void TearDown() override { EndAllInstances(); }

  // Starts a plain instance and waits until its windows exist.
  std::unique_ptr<Process> StartInstance() {
    auto p = std::make_unique<Process>(Quoted(LedglowPath()));
    EXPECT_TRUE(p->Started());
    EXPECT_TRUE(WaitFor([&] { return ControllerOf(p->Id()) != nullptr; }, 20s))
        << "the program made no controller window";
    return p;
  }
  static HWND ControllerOf(DWORD pid) {
    for (HWND w : TopWindows(kControllerClass, kControllerTitle))
      if (WindowProcess(w) == pid) return w;
    return nullptr;
  }
  static int WindowsOf(DWORD pid) {
    int n = 0;
    for (const char* cls : {"TSetupFrm", "TRFLed", "TRemindDlg", "TApplication"})
      for (HWND w : TopWindows(cls, nullptr)) n += WindowProcess(w) == pid;
    return n;
  }
  // Runs a command start to its end and returns its exit code.
  static DWORD RunCommand(const std::wstring& command_line) {
    Process p(command_line);
    EXPECT_TRUE(p.Started());
    EXPECT_TRUE(p.WaitExit(20s)) << "command start did not end";
    return p.ExitCode();
  }
};

TEST_F(Startup, PlainStartCreatesHiddenControllerAndStripAndQuitEndsIt) {
  auto instance = StartInstance();
  HWND controller = ControllerOf(instance->Id());
  ASSERT_NE(controller, nullptr);
  EXPECT_FALSE(IsWindowVisible(controller));
  auto strips = TopWindows("TRFLed", "RFLed");
  ASSERT_EQ(strips.size(), 1u);
  EXPECT_EQ(WindowProcess(strips[0]), instance->Id());
  EXPECT_FALSE(IsWindowVisible(strips[0]));

  Process command(Quoted(LedglowPath()) + L" /q");
  ASSERT_TRUE(command.WaitExit(20s)) << "the \"/q\" start did not end";
  EXPECT_EQ(command.ExitCode(), 0u);
  EXPECT_TRUE(instance->WaitExit(20s)) << "running instance did not end on /q";
  EXPECT_EQ(instance->ExitCode(), 0u);
}

TEST_F(Startup, CommandsPostExactlyTheirMessageToTheRunningController) {
  struct Case {
    std::wstring arguments;
    std::vector<UINT> expected;
    WPARAM wparam;
  };
  const Case cases[] = {
      {L" /q", {WM_QUIT}, 0},
      {L" /quit", {WM_QUIT}, 0},
      {L"   \t /u", {0x502}, 1},
      {L" /p", {0x501}, 1},
      {L" /Q", {}, 0},
      {L" /x", {}, 0},
      {L" /", {}, 0},
  };
  for (const Case& c : cases) {
    RecordingWindow controller(kControllerClass, kControllerTitle);
    const std::wstring line = Quoted(LedglowPath()) + c.arguments;
    Process command(line);
    ASSERT_TRUE(command.WaitExit(20s)) << "the command start did not end";
    EXPECT_EQ(command.ExitCode(), 0u);
    EXPECT_EQ(WindowsOf(command.Id()), 0) << "a command start made a window";
    Pump(100ms);
    std::vector<UINT> got;
    for (const auto& m : controller.Messages()) {
      if (m.msg != WM_QUIT && m.msg < WM_USER) continue;
      got.push_back(m.msg);
      EXPECT_EQ(m.wparam, c.wparam);
      EXPECT_EQ(m.lparam, 0);
    }
    EXPECT_EQ(got, c.expected) << std::string(c.arguments.begin(), c.arguments.end());
  }
}

TEST_F(Startup, CommandWithNothingRunningStartsNothing) {
  for (const wchar_t* args : {L" /q", L" /u", L" /p"}) {
    EXPECT_EQ(RunCommand(Quoted(LedglowPath()) + args), 0u);
    EXPECT_TRUE(TopWindows(kControllerClass, nullptr).empty());
    EXPECT_TRUE(TopWindows("TRFLed", nullptr).empty());
  }
}

TEST_F(Startup, WindowTitledExactlySetupRefusesAPlainStart) {
  RecordingWindow blocker(kControllerClass, "DED EZORUZ SETUP");
  EXPECT_EQ(RunCommand(Quoted(LedglowPath())), 0u);
  EXPECT_TRUE(TopWindows("TRFLed", nullptr).empty());
}

TEST_F(Startup, TheInputComponentConfiguresTheLinkLibraryAndPollRoundsRun) {
  auto instance = StartInstance();
  // InitDriver made the library's hidden window in the program's own process.
  EXPECT_TRUE(WaitFor(
      [&] {
        for (HWND w : TopWindows("VEVURClass", "HKUSBKEYMSG"))
          if (WindowProcess(w) == instance->Id()) return true;
        return false;
      },
      10s))
      << "the link library made no hidden window";
  Pump(3s);  // the first poll round comes two seconds after start
  EXPECT_EQ(instance->ExitCode(), STILL_ACTIVE);
}

TEST_F(Startup, SecondPlainStartBesideARunningInstanceIsNotRefused) {
  auto first = StartInstance();
  auto second = StartInstance();
  EXPECT_NE(ControllerOf(first->Id()), nullptr);
  EXPECT_NE(ControllerOf(second->Id()), nullptr);
  EXPECT_EQ(TopWindows("TRFLed", "RFLed").size(), 2u);
}

TEST_F(Startup, QuitEndsOneOfTwoInstancesAndTheOtherGoesOnUntilItsOwnQuit) {
  struct Case {
    const char* name;
    bool older_first;  // the quit goes to the older instance, whose strip lies below the newer one's
  };
  for (const Case c : {Case{"a /q start", false}, Case{"a quit to the older instance", true}}) {
    SCOPED_TRACE(c.name);
    auto older = StartInstance();
    auto newer = StartInstance();
    ASSERT_TRUE(WaitFor([&] { return WindowsOf(older->Id()) == 4 && WindowsOf(newer->Id()) == 4; }, 20s))
        << "the two instances did not make their windows";
    if (c.older_first)
      PostMessageA(ControllerOf(older->Id()), WM_QUIT, 0, 0);
    else
      EXPECT_EQ(RunCommand(Quoted(LedglowPath()) + L" /q"), 0u);
    ASSERT_TRUE(WaitFor([&] { return older->ExitCode() != STILL_ACTIVE || newer->ExitCode() != STILL_ACTIVE; }, 20s))
        << "no instance ended";
    Pump(2s);  // time for a wrongly ended second instance to go as well
    const bool older_ended = older->ExitCode() != STILL_ACTIVE;
    Process& ended = older_ended ? *older : *newer;
    Process& running = older_ended ? *newer : *older;
    ASSERT_EQ(running.ExitCode(), STILL_ACTIVE) << "both instances ended";
    EXPECT_EQ(ended.ExitCode(), 0u);
    if (c.older_first) {
      EXPECT_TRUE(older_ended);
    }
    for (const char* cls : {"TRFLed", "TSetupFrm", "TRemindDlg"}) {
      int n = 0;
      for (HWND w : TopWindows(cls, nullptr)) n += WindowProcess(w) == running.Id();
      EXPECT_EQ(n, 1) << cls << " of the remaining instance";
    }
    DWORD_PTR answer = 1;
    EXPECT_NE(SendMessageTimeoutA(ControllerOf(running.Id()), 0x501, 1, 0, SMTO_ABORTIFHUNG, 5000, &answer), 0)
        << "the remaining instance does not answer";
    EXPECT_EQ(answer, 0u);
    EXPECT_EQ(RunCommand(Quoted(LedglowPath()) + L" /q"), 0u);
    EXPECT_TRUE(running.WaitExit(20s)) << "the second /q did not end the remaining instance";
    EXPECT_EQ(running.ExitCode(), 0u);
  }
}

}  // namespace
}  // namespace e2e
