#include "shell/battery_poll.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "display/rfled.h"
#include "reminder/remind_dlg.h"
#include "shell/setup_frm.h"
#include "tests/unit/fixtures.h"
#include "toolkit/application.h"

namespace shell {
namespace {

constexpr tk::Color kGrey{128, 128, 128}, kRed{255, 0, 0}, kLime{0, 255, 0}, kUnset{1, 2, 3};

constexpr int kNoAnswer = 0xFFFF;

// The keyboard's two status collections: the report id each one answers to, by usage.
std::uint8_t ReportIdOf(std::uint32_t usage) { return usage == 2 ? 6 : usage == 1 ? 5 : 0; }

// The keyboard's answers, one status byte per query. Like the device, it answers only a request
// that carries its collection's report id, and then fills the whole 9-byte report: the id, the
// status and seven bytes of other data, so a buffer used twice shows.
struct Keyboard {
  std::deque<int> answers;
  std::vector<std::array<std::uint32_t, 4>> calls;
  void operator()(std::uint32_t vid, std::uint32_t pid, std::uint32_t page, std::uint32_t usage, std::uint8_t* buf) {
    calls.push_back({vid, pid, page, usage});
    const int a = answers.empty() ? kNoAnswer : answers.front();
    if (!answers.empty()) answers.pop_front();
    const std::uint8_t id = ReportIdOf(usage);
    EXPECT_EQ(buf[0], id) << "report id of the request for usage " << usage;
    for (int i = 1; i < 16; ++i) EXPECT_EQ(buf[i], 0) << "byte " << i << " of the request for usage " << usage;
    if (a == kNoAnswer || buf[0] != id) return;
    buf[1] = static_cast<std::uint8_t>(a);
    for (int i = 2; i < 9; ++i) buf[i] = static_cast<std::uint8_t>(0xA0 + i);
  }
};

class Poll : public ::testing::Test {
 protected:
  Poll() : app(world.ui) {
    world.services.get_features = [this](auto... args) { keyboard(args...); };
    app.Initialize();
    strip = &app.CreateForm<display::TRFLed>(world.services);
    controller = &app.CreateForm<TSetupFrm>(world.services);
    dialog = &app.CreateForm<reminder::TRemindDlg>(world.services);
    strip->Shape4.fill = strip->Shape5.fill = kUnset;
  }
  // Runs one round through the poll timer.
  void Round(int a, int b) {
    keyboard.answers = {a, b};
    controller->Timer3.SetInterval(1);
    controller->Timer3.Start();
    world.ui.Advance(1);
  }

  Keyboard keyboard;
  testing_support::World world;
  tk::Application app;
  display::TRFLed* strip = nullptr;
  TSetupFrm* controller = nullptr;
  reminder::TRemindDlg* dialog = nullptr;
};

TEST_F(Poll, ColoursTheBarsAndSwitchesTheReminderByTheStatusBytes) {
  struct Case {
    int a, b;
    bool ticked;
    bool timer_on_before;
    std::uint32_t interval_before;
    tk::Color shape4, shape5;
    bool timer_on_after;
    std::uint32_t interval_after;
  };
  const Case cases[] = {
      {kNoAnswer, kNoAnswer, true, true, 60000, kGrey, kUnset, false, 60000},  // both unanswered
      {3, 0, true, false, 1000, kGrey, kLime, false, 1000},
      // b unanswered reads 0, whatever a was: grey, stopped, interval kept.
      {4, kNoAnswer, true, true, 60000, kGrey, kUnset, false, 60000},
      {3, kNoAnswer, true, true, 60000, kGrey, kLime, false, 60000},
      {1, 1, false, false, 1000, kGrey, kUnset, false, 1000},  // box cleared: unchanged
      {1, 1, false, true, 60000, kGrey, kUnset, true, 60000},
      {0, 2, true, false, 1000, kGrey, kUnset, true, 1000},
      {4, 4, true, true, 60000, kRed, kUnset, false, 1000},
      {2, 4, true, true, 60000, kRed, kUnset, false, 1000},
      {4, 0, true, true, 60000, kGrey, kUnset, false, 60000},
      {5, 9, true, true, 60000, kUnset, kLime, false, 1000},
      {255, 3, true, false, 60000, kUnset, kLime, false, 1000},
  };
  for (const Case& c : cases) {
    strip->Shape4.fill = strip->Shape5.fill = kUnset;
    dialog->TntCheckBox1.SetChecked(c.ticked);
    dialog->RemindTimer.Stop();
    dialog->RemindTimer.SetInterval(c.interval_before);
    dialog->RemindTimer.SetEnabled(c.timer_on_before);
    Round(c.a, c.b);
    const auto status = [](int s) { return s == kNoAnswer ? std::string("none") : std::to_string(s); };
    const std::string label = "a=" + status(c.a) + " b=" + status(c.b);
    EXPECT_EQ(strip->Shape4.fill, c.shape4) << label;
    EXPECT_EQ(strip->Shape5.fill, c.shape5) << label;
    EXPECT_EQ(dialog->RemindTimer.Enabled(), c.timer_on_after) << label;
    EXPECT_EQ(dialog->RemindTimer.Interval(), c.interval_after) << label;
  }
}

TEST_F(Poll, AsksForTheTwoStatusReportsOfTheKeyboard) {
  Round(0, 0);
  ASSERT_EQ(keyboard.calls.size(), 2u);
  const std::uint32_t vid = battery_poll::kKeyboardVendorId, pid = battery_poll::kKeyboardProductId;
  EXPECT_EQ(keyboard.calls[0], (std::array<std::uint32_t, 4>{vid, pid, 0xFF01, 2}));
  EXPECT_EQ(keyboard.calls[1], (std::array<std::uint32_t, 4>{vid, pid, 0xFF01, 1}));
}

TEST_F(Poll, ARunningReminderCycleIsNotRestartedByLaterReadings) {
  Round(0, 2);
  EXPECT_TRUE(dialog->RemindTimer.Enabled());
  world.ui.Advance(600);
  Round(0, 2);  // 1 ms later: the one-second first show must not move
  world.ui.Advance(398);
  EXPECT_FALSE(dialog->Visible());
  world.ui.Advance(1);  // one second after the first start
  EXPECT_TRUE(dialog->Visible());
}

TEST_F(Poll, RoundsFollowThePollIntervalAndStopAtZero) {
  world.services.state.poll_interval = 500;
  Round(0, 0);
  world.ui.Advance(1500);
  EXPECT_EQ(keyboard.calls.size(), 8u);  // the first round, then one every 500 ms
  world.services.state.poll_interval = 0;
  world.ui.Advance(500);
  EXPECT_EQ(keyboard.calls.size(), 10u);  // exactly one round reads the 0
  world.ui.Advance(100000);
  EXPECT_EQ(keyboard.calls.size(), 10u);
  EXPECT_FALSE(controller->Timer3.Ticking());
}

TEST_F(Poll, FirstRoundComesTwoSecondsAfterTheControllerIsMade) {
  world.ui.Advance(1999);
  EXPECT_TRUE(keyboard.calls.empty());
  world.ui.Advance(1);
  EXPECT_EQ(keyboard.calls.size(), 2u);
  world.ui.Advance(10000);
  EXPECT_EQ(keyboard.calls.size(), 4u);
}

}  // namespace
}  // namespace shell
