#include "shell/setup_frm.h"

#include <gtest/gtest.h>

#include "display/rfled.h"
#include "picture_ids.h"
#include "tests/unit/fixtures.h"
#include "toolkit/application.h"

namespace shell {
namespace {

// The numbers other programs post to the controller, written out as they send them.
constexpr std::uint32_t kSwitchP = 0x501, kReload = 0x502, kLocksChanged = 0x511;

class Controller : public ::testing::Test {
 protected:
  Controller() : app(world.ui) {
    app.Initialize();
    strip = &app.CreateForm<display::TRFLed>(world.services);
    controller = &app.CreateForm<TSetupFrm>(world.services);
  }
  void Notify(std::uint32_t msg) { world.ui.Post(controller->Handle(), tk::Message{msg, 0, 0}); }
  void Tray(tk::MouseAction action, tk::MouseButton button) {
    world.ui.TrayMouse(controller->Handle(), {action, button, {}});
  }

  testing_support::World world;
  tk::Application app;
  display::TRFLed* strip = nullptr;
  TSetupFrm* controller = nullptr;
};

TEST_F(Controller, CreationShowsTheGreenTrayIconHidesTheApplicationAndStaysHidden) {
  const auto* w = world.ui.Find(controller->Handle());
  ASSERT_TRUE(w->tray.has_value());
  EXPECT_EQ(w->tray->icon_resource, forms::kIconTrayGreen);
  EXPECT_TRUE(w->tray->tip.empty());
  EXPECT_FALSE(w->visible);
  EXPECT_FALSE(world.ui.IsVisible(app.Handle()));
  EXPECT_EQ(controller->Timer3.Interval(), 10000u);
  EXPECT_FALSE(controller->Timer3.Enabled());
  EXPECT_FALSE(controller->Timer4.Enabled());
}

TEST_F(Controller, LockNotificationWritesTheToggleBitsAndRereadsOnce100msAfterTheFirst) {
  world.desktop.SetToggled(plat::kVkNumLock, true);
  world.desktop.SetToggled(plat::kVkCapital, true);
  world.desktop.keyboard[plat::kVkScroll] = 0x80;  // held down but not toggled: off
  Notify(kLocksChanged);
  world.ui.Advance(0);
  EXPECT_EQ(strip->LockState, 6);
  EXPECT_EQ(strip->C_LED.picture, forms::kPicCapsOn);
  world.ui.Advance(50);
  world.desktop.SetToggled(plat::kVkNumLock, false);
  world.desktop.SetToggled(plat::kVkCapital, false);
  Notify(kLocksChanged);  // the second notice does not postpone the re-read
  world.ui.Advance(0);
  EXPECT_EQ(strip->LockState, 0);
  world.desktop.SetToggled(plat::kVkScroll, true);
  world.ui.Advance(49);
  EXPECT_EQ(strip->LockState, 0);
  world.ui.Advance(1);
  EXPECT_EQ(strip->LockState, 1);
  EXPECT_EQ(strip->S_LED.picture, forms::kPicScrollOn);
  EXPECT_FALSE(controller->Timer4.Enabled());
  world.desktop.SetToggled(plat::kVkScroll, false);
  world.ui.Advance(1000);
  EXPECT_EQ(strip->LockState, 1);  // once per start
}

TEST_F(Controller, LockNotificationKeepsAHiddenStripHidden) {
  Notify(kLocksChanged);
  world.ui.Advance(10000);
  EXPECT_FALSE(strip->Visible());
}

TEST_F(Controller, TrayLeftOrRightPressPopsTheStripMiddleDoesNothing) {
  struct Case {
    tk::MouseButton button;
    bool shows;
  };
  for (const Case c : {Case{tk::MouseButton::Left, true}, Case{tk::MouseButton::Right, true},
                       Case{tk::MouseButton::Middle, false}}) {
    testing_support::World w;
    tk::Application a(w.ui);
    a.Initialize();
    auto& s = a.CreateForm<display::TRFLed>(w.services);
    auto& ctl = a.CreateForm<TSetupFrm>(w.services);
    w.ui.TrayMouse(ctl.Handle(), {tk::MouseAction::Down, c.button, {}});
    EXPECT_EQ(s.Visible(), c.shows);
    w.ui.TrayMouse(ctl.Handle(), {tk::MouseAction::Up, c.button, {}});
    EXPECT_EQ(s.Visible(), c.shows);
    EXPECT_EQ(w.ui.Foreground(), 0u);
  }
}

TEST_F(Controller, TrayDoubleClickShowsFromTheFirstPressAndRestoresTheApplication) {
  Tray(tk::MouseAction::Down, tk::MouseButton::Left);
  Tray(tk::MouseAction::Up, tk::MouseButton::Left);
  EXPECT_TRUE(strip->Visible());
  Tray(tk::MouseAction::DoubleClick, tk::MouseButton::Left);
  EXPECT_EQ(world.ui.Foreground(), app.Handle());
}

TEST_F(Controller, SwitchMessageHasNoEffectAndReloadRunsTheSettingsLoad) {
  int reloads = 0;
  world.services.reload_settings = [&] { ++reloads; };
  Notify(kSwitchP);
  world.ui.Advance(10);
  EXPECT_FALSE(strip->Visible());
  EXPECT_EQ(reloads, 0);
  EXPECT_EQ(world.ui.Send(controller->Handle(), tk::Message{kReload, 1, 0}), 0);
  EXPECT_EQ(reloads, 1);
}

// The strip is found by its name among this program's forms only: another program's window
// of the same class and title is never driven.
TEST_F(Controller, WithoutTheStripTheLockStepsAndTheTrayPressChangeNothing) {
  testing_support::World w;
  const tk::WindowId foreign = w.ui.AddForeignWindow("TRFLed", "RFLed");
  tk::Application a(w.ui);
  a.Initialize();
  auto& ctl = a.CreateForm<TSetupFrm>(w.services);
  w.desktop.SetToggled(plat::kVkCapital, true);
  w.ui.Post(ctl.Handle(), tk::Message{kLocksChanged, 0, 0});
  w.ui.TrayMouse(ctl.Handle(), {tk::MouseAction::Down, tk::MouseButton::Left, {}});
  w.ui.Advance(1000);
  EXPECT_FALSE(ctl.Timer4.Ticking()) << "the re-read stops its timer even with no strip";
  EXPECT_FALSE(ctl.Timer3.Enabled()) << "no poll before its first round";
  for (tk::WindowId id : w.ui.Windows()) EXPECT_FALSE(w.ui.IsVisible(id)) << "window " << id << " shown";
  EXPECT_FALSE(w.ui.Find(foreign)->visible);
  EXPECT_TRUE(w.ui.ForeignPosts().empty()) << "another program's window was sent something";
  EXPECT_EQ(w.ui.Foreground(), 0u);
}

TEST_F(Controller, TheTrayIconComesBackWhenTheShellStartsAgainAndStillPopsTheStrip) {
  world.services.state.taskbar_created = world.ui.RegisterMessage("TaskbarCreated");  // as start-up does
  for (int restart = 1; restart <= 2; ++restart) {
    world.ui.RestartShell();
    const auto* w = world.ui.Find(controller->Handle());
    ASSERT_TRUE(w->tray.has_value()) << "the icon was not added again, restart " << restart;
    EXPECT_EQ(w->tray->icon_resource, forms::kIconTrayGreen);
    // The strip's own refresh still follows the message.
    EXPECT_TRUE(strip->Timer4.Ticking());
    EXPECT_EQ(strip->Timer4.Interval(), 5000u);
  }
  Tray(tk::MouseAction::Down, tk::MouseButton::Left);
  EXPECT_TRUE(strip->Visible()) << "a press on the icon that came back did not pop the strip";
}

TEST_F(Controller, DestructionPostsQuitToTheStripAndRemovesTheIcon) {
  const tk::WindowId strip_window = strip->Handle();
  app.DestroyForms();
  bool quit_to_strip = false;
  for (const auto& p : world.ui.Queue()) quit_to_strip |= p.m.msg == tk::kWmQuit && p.to == strip_window;
  EXPECT_TRUE(quit_to_strip);
  for (tk::WindowId id : world.ui.Created())
    if (const auto* w = world.ui.FindAny(id)) EXPECT_FALSE(w->tray.has_value());
}

}  // namespace
}  // namespace shell
