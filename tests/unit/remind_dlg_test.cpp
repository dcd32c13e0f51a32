#include "reminder/remind_dlg.h"

#include <gtest/gtest.h>

#include "tests/unit/fixtures.h"
#include "toolkit/application.h"

namespace reminder {
namespace {

constexpr std::uint64_t kMinute = 60000;

class Reminder : public ::testing::Test {
 protected:
  Reminder() : app(world.ui) {
    app.Initialize();
    dlg = &app.CreateForm<TRemindDlg>(world.services);
  }
  // What the battery poll does for a reading of 1 or 2 with the box ticked.
  void Arm() { dlg->RemindTimer.Start(); }
  void Advance(std::uint64_t ms) { world.ui.Advance(ms); }
  std::uint32_t Count() const { return world.services.state.reminder_count; }

  testing_support::World world;
  tk::Application app;
  TRemindDlg* dlg = nullptr;
};

TEST_F(Reminder, IsBuiltHiddenWithItsDesignedControls) {
  EXPECT_FALSE(dlg->Visible());
  EXPECT_EQ(dlg->TntLabel1.Text(), u"Replace your wireless keyboard battery!");
  EXPECT_EQ(dlg->TntCheckBox1.Text(), u"Remind me later");
  EXPECT_EQ(dlg->TntBitBtn1.Text(), u"OK");
  EXPECT_TRUE(dlg->TntCheckBox1.Checked());
  EXPECT_TRUE(dlg->TntLabel1.Design().centred);
  EXPECT_TRUE(dlg->TntCheckBox1.Design().tab_stop);
  EXPECT_TRUE(dlg->TntBitBtn1.Design().default_button);
  EXPECT_FALSE(dlg->RemindTimer.Enabled());
  EXPECT_EQ(dlg->RemindTimer.Interval(), 1000u);
  EXPECT_TRUE(dlg->Timer1.Enabled());
  EXPECT_EQ(world.ui.Title(dlg->Handle()), "");
}

TEST_F(Reminder, FirstShowOneSecondAfterArmingThenEvery240Minutes) {
  Arm();
  Advance(999);
  EXPECT_FALSE(dlg->Visible());
  Advance(1);
  EXPECT_TRUE(dlg->Visible());
  EXPECT_EQ(dlg->RemindTimer.Interval(), 60000u);
  EXPECT_EQ(Count(), 1u);
  EXPECT_EQ(world.ui.Foreground(), 0u);  // shown without taking the focus
  dlg->TntCheckBox1.SetChecked(false);
  world.ui.Click(dlg->TntBitBtn1.Handle());
  EXPECT_FALSE(dlg->Visible());
  // Cleared box: timer off, first-show interval armed again.
  EXPECT_FALSE(dlg->RemindTimer.Enabled());
  EXPECT_EQ(dlg->RemindTimer.Interval(), 1000u);
}

TEST_F(Reminder, TickedBoxRestartsTheMinutePeriodWithoutResettingTheCount) {
  Arm();
  Advance(1000);
  Advance(99 * kMinute);
  EXPECT_EQ(Count(), 100u);
  Advance(kMinute / 2);
  world.ui.Click(dlg->TntBitBtn1.Handle());  // closed at count 100, box ticked
  EXPECT_FALSE(dlg->Visible());
  Advance(kMinute - 1);
  EXPECT_EQ(Count(), 100u);  // the half minute before the close did not count
  Advance(1);
  EXPECT_EQ(Count(), 101u);
  Advance(138 * kMinute);
  EXPECT_FALSE(dlg->Visible());
  Advance(kMinute);
  EXPECT_TRUE(dlg->Visible());
  EXPECT_EQ(Count(), 0u);
}

// Only reaching 240 resets the count: a cycle armed again goes on counting through its first show.
TEST_F(Reminder, FirstShowOfALaterCycleKeepsTheCount) {
  Arm();
  Advance(1000);
  world.ui.Click(dlg->TntBitBtn1.Handle());  // box ticked: minutes count on
  Advance(99 * kMinute);
  ASSERT_EQ(Count(), 100u);
  // What the poll does for a reading of 4, then for a later reading of 1.
  dlg->RemindTimer.Stop();
  dlg->RemindTimer.SetInterval(1000);
  Arm();
  Advance(1000);
  EXPECT_TRUE(dlg->Visible());
  EXPECT_EQ(Count(), 101u) << "the first show reset the count";
  world.ui.Click(dlg->TntBitBtn1.Handle());
  Advance(138 * kMinute);
  EXPECT_FALSE(dlg->Visible());
  Advance(kMinute);
  EXPECT_TRUE(dlg->Visible()) << "no reminder at the 240th tick";
  EXPECT_EQ(Count(), 0u);
}

TEST_F(Reminder, SwitchingOnWithTheRepeatIntervalShowsNothingAtOnce) {
  dlg->RemindTimer.SetInterval(60000);
  Arm();
  Advance(59999);
  EXPECT_FALSE(dlg->Visible());
  Advance(1);
  EXPECT_FALSE(dlg->Visible());
  EXPECT_EQ(Count(), 1u);
}

TEST_F(Reminder, ShownDialogIsAToolWindowOnTopCentredOnceAndLiftedEverySecond) {
  world.ui.SetExStyle(dlg->Handle(), 0x40000);
  Arm();
  Advance(1000);
  EXPECT_EQ(world.ui.ExStyle(dlg->Handle()), 0x88u);
  const tk::Rect r = dlg->Bounds();
  EXPECT_EQ(r.left, (1280 - r.Width()) / 2);
  const std::uint64_t z = world.ui.Find(dlg->Handle())->z;
  const tk::WindowId other = world.ui.NewWindow(tk::WindowDesign{}, nullptr);
  world.ui.SetVisible(other, true);
  EXPECT_GT(world.ui.Find(other)->z, z);
  Advance(1000);
  EXPECT_GT(world.ui.Find(dlg->Handle())->z, world.ui.Find(other)->z);
  world.ui.SetBounds(dlg->Handle(), tk::Rect::At(5, 5, r.Width(), r.Height()));
  world.ui.CloseRequest(dlg->Handle());  // Escape or Alt+F4
  EXPECT_FALSE(dlg->Visible());
  EXPECT_TRUE(dlg->RemindTimer.Enabled());  // box ticked: a new minute period
  dlg->RemindTimer.SetInterval(1000);
  Advance(1000);
  EXPECT_EQ(dlg->Left(), 5);  // centred only the first time
}

// A start whose battery never runs low pays for no controls: they come with the first show,
// once, with the texts and the tick the dialog was given before.
TEST_F(Reminder, MakesItsControlsAtItsFirstShowOnly) {
  auto controls = [this] {
    int n = 0;
    for (tk::WindowId id : world.ui.Windows())
      if (world.ui.Find(id)->parent == dlg->Handle()) ++n;
    return n;
  };
  EXPECT_EQ(controls(), 0);
  EXPECT_EQ(dlg->TntLabel1.Handle(), 0u);
  dlg->TntCheckBox1.SetChecked(false);
  dlg->TntLabel1.SetText(u"Battery low");
  Arm();
  Advance(1000);
  ASSERT_TRUE(dlg->Visible());
  EXPECT_EQ(controls(), 3);
  EXPECT_EQ(world.ui.ControlText(dlg->TntLabel1.Handle()), u"Battery low");
  EXPECT_EQ(world.ui.ControlText(dlg->TntBitBtn1.Handle()), u"OK");
  EXPECT_FALSE(world.ui.Checked(dlg->TntCheckBox1.Handle()));
  world.ui.Click(dlg->TntBitBtn1.Handle());
  dlg->RemindTimer.Start();
  Advance(1000);
  ASSERT_TRUE(dlg->Visible());
  EXPECT_EQ(controls(), 3) << "a later show made its controls again";
}

TEST_F(Reminder, TakesTheLanguageFont) {
  testing_support::World w;
  w.services.state.language_font = tk::Font{"MS PGothic", 128, 9};
  tk::Application a(w.ui);
  a.Initialize();
  auto& d = a.CreateForm<TRemindDlg>(w.services);
  d.Show();
  for (const tk::Control* c : {static_cast<const tk::Control*>(&d.TntLabel1),
                               static_cast<const tk::Control*>(&d.TntCheckBox1),
                               static_cast<const tk::Control*>(&d.TntBitBtn1)})
    EXPECT_EQ(w.ui.Find(c->Handle())->font, w.services.state.language_font);
  EXPECT_EQ(w.ui.Find(d.Handle())->font, w.services.state.language_font);
}

}  // namespace
}  // namespace reminder

namespace reminder {
namespace {

TEST(ReminderTexts, ComeFromThePresentMessageFileAndMissingKeysShowTheirNames) {
  testing_support::World w;
  const std::u16string name = u"C:\\Tools\\VXQ\\LNG_040a.vxq";
  std::copy(name.begin(), name.end(), w.services.state.message_file_name.begin());
  w.files.Add(name, u"[MSG]\r\nS032=Cambie la pila del teclado inal\u00e1mbrico\r\nS075=Record\u00e1rmelo m\u00e1s tarde\r\n");
  tk::Application a(w.ui);
  a.Initialize();
  auto& d = a.CreateForm<TRemindDlg>(w.services);
  EXPECT_EQ(d.TntLabel1.Text(), u"Cambie la pila del teclado inal\u00e1mbrico");
  EXPECT_EQ(d.TntCheckBox1.Text(), u"Record\u00e1rmelo m\u00e1s tarde");
  EXPECT_EQ(d.TntBitBtn1.Text(), u"S076");
  EXPECT_EQ(w.ui.Title(d.Handle()), "");
}

TEST(ReminderTexts, WithoutTheFileTheDesignedTextsStay) {
  testing_support::World w;
  const std::u16string name = u"C:\\Tools\\VXQ\\LNG_0409.vxq";
  std::copy(name.begin(), name.end(), w.services.state.message_file_name.begin());
  tk::Application a(w.ui);
  a.Initialize();
  auto& d = a.CreateForm<TRemindDlg>(w.services);
  EXPECT_EQ(d.TntBitBtn1.Text(), u"OK");
}

}  // namespace
}  // namespace reminder
