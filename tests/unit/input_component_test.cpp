#include "wminput/input_component.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "display/rfled.h"
#include "reminder/remind_dlg.h"
#include "shell/setup_frm.h"
#include "tests/unit/fixtures.h"
#include "toolkit/application.h"

namespace wminput {
namespace {

// The component's system on the headless backend: its link timer is a timer of a window of its
// own, as on Windows, so it ticks only when the clock (the message loop) moves.
class HeadlessInputSystem final : public tk::WindowSink {
 public:
  explicit HeadlessInputSystem(tk::HeadlessBackend& ui) : ui_(ui), window_(ui.NewWindow({}, this)) {
    component.system = {this, &StartWatcher, &Arm, &Disarm, &InitDriver};
  }

  Component component{};
  std::vector<std::uint32_t> watchers;  // controller windows the watcher was started for
  std::vector<std::uint64_t> init_times;

 private:
  static HeadlessInputSystem& Of(void* context) { return *static_cast<HeadlessInputSystem*>(context); }
  static void StartWatcher(void* c, std::uint32_t controller) { Of(c).watchers.push_back(controller); }
  static void Arm(void* c, std::uint32_t, std::uint32_t ms) { Of(c).ui_.ArmTimer(Of(c).window_, 1, ms); }
  static void Disarm(void* c) { Of(c).ui_.DisarmTimer(Of(c).window_, 1); }
  static void InitDriver(void* c) { Of(c).init_times.push_back(Of(c).ui_.Now()); }

  bool OnWindowMessage(const tk::Message&, std::intptr_t&) override { return false; }
  void OnTimerTick(int) override { LinkTimerTick(component); }
  void OnMouse(const tk::MouseEvent&) override {}
  void OnTrayMouse(const tk::MouseEvent&) override {}
  bool OnCloseQuery() override { return false; }
  void OnShowing() override {}
  void OnPaint(tk::Canvas&) override {}
  void OnCommand(int) override {}

  tk::HeadlessBackend& ui_;
  tk::WindowId window_;
};

TEST(InputComponent, FirstEnumerationRunsOnceFromTheLoopAndThePollStillStartsTwoSecondsAfterStart) {
  testing_support::World world;
  HeadlessInputSystem system(world.ui);
  std::vector<std::uint64_t> queries;
  std::size_t inits_at_attach = 99;
  world.services.attach_input = [&](std::uint32_t controller) {
    Attach(system.component, controller);
    inits_at_attach = system.init_times.size();
  };
  world.services.get_features = [&](auto...) { queries.push_back(world.ui.Now()); };
  tk::Application app(world.ui);
  app.Initialize();
  app.CreateForm<display::TRFLed>(world.services);
  auto& controller = app.CreateForm<shell::TSetupFrm>(world.services);
  app.CreateForm<reminder::TRemindDlg>(world.services);

  EXPECT_EQ(system.watchers, std::vector<std::uint32_t>{static_cast<std::uint32_t>(controller.Handle())});
  EXPECT_EQ(inits_at_attach, 0u) << "the enumeration ran inside the controller's creation";
  EXPECT_TRUE(system.init_times.empty()) << "the enumeration ran before the message loop";
  world.ui.Advance(kLinkStartDelayMs - 1);
  EXPECT_TRUE(system.init_times.empty());
  world.ui.Advance(1);
  EXPECT_EQ(system.init_times, std::vector<std::uint64_t>{kLinkStartDelayMs});
  world.ui.Advance(1999 - kLinkStartDelayMs);
  EXPECT_TRUE(queries.empty());
  world.ui.Advance(1);
  EXPECT_EQ(queries, (std::vector<std::uint64_t>{2000, 2000}));
  world.ui.Advance(60000);
  EXPECT_EQ(system.init_times.size(), 1u);
  EXPECT_EQ(system.watchers.size(), 1u);
}

}  // namespace
}  // namespace wminput
