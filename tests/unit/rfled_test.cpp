#include "display/rfled.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "picture_ids.h"
#include "tests/unit/fixtures.h"
#include "toolkit/application.h"

namespace display {
namespace {

using testing_support::World;

// Work area 1280 x 984: the strip's corner is at left 1162, top 938.
constexpr int kCornerLeft = 1280 - 98 - 20;
constexpr int kWorkBottom = 984;
int TopFor(int height, int bottom = kWorkBottom) { return bottom - height - 10; }

class Strip : public ::testing::Test {
 protected:
  Strip() : app(world.ui) {
    app.Initialize();
    strip = &app.CreateForm<TRFLed>(world.services);
  }
  void Advance(std::uint64_t ms) { world.ui.Advance(ms); }
  bool Visible() const { return strip->Visible(); }
  int Height() const { return strip->Height(); }
  int Top() const { return strip->Top(); }

  World world;
  tk::Application app;
  TRFLed* strip = nullptr;
};

// Expected state after a step.
struct State {
  bool visible;
  int height;
  int raised;
};

struct Step {
  std::string what;
  std::function<void(Strip&)> act;
  State expect;
};

#define CHECK_STATE(s, label)                                        \
  do {                                                                \
    EXPECT_EQ(Visible(), (s).visible) << label;                       \
    EXPECT_EQ(Height(), (s).height) << label;                         \
    EXPECT_EQ(Top(), TopFor((s).height)) << label;                    \
    EXPECT_EQ(static_cast<int>(strip->Raised), (s).raised) << label; \
  } while (0)

void Popup(Strip& s);
void LockChanged(Strip& s);

struct TransitionCase {
  const char* name;
  std::vector<std::pair<std::function<void(TRFLed&, tk::HeadlessBackend&)>, State>> steps;
};

auto Do(void (TRFLed::*op)()) {
  return [op](TRFLed& s, tk::HeadlessBackend&) { (s.*op)(); };
}
auto Wait(std::uint64_t ms) {
  return [ms](TRFLed&, tk::HeadlessBackend& ui) { ui.Advance(ms); };
}
const auto kPopup = Do(&TRFLed::Popup);
const auto kLockChanged = Do(&TRFLed::LockChanged);

TEST_F(Strip, FollowsItsTransitionTable) {
  const TransitionCase cases[] = {
      {"popup from hidden: shown, rise tick, hold 5000 ms, six lowering steps of 10 ms",
       {{kPopup, {true, 36, 0}},
        {Wait(5), {true, 36, 0}},
        {Wait(1), {true, 36, 1}},
        {Wait(4999), {true, 36, 1}},
        {Wait(1), {true, 30, 0}},
        {Wait(10), {true, 24, 0}},
        {Wait(10), {true, 18, 0}},
        {Wait(10), {true, 12, 0}},
        {Wait(9), {true, 12, 0}},
        {Wait(1), {true, 6, 0}},
        {Wait(10), {false, 0, 0}},
        {Wait(60000), {false, 0, 0}}}},
      {"lock change while holding counts the 5000 ms anew",
       {{kPopup, {true, 36, 0}},
        {Wait(3006), {true, 36, 1}},
        {kLockChanged, {true, 36, 1}},
        {Wait(4999), {true, 36, 1}},
        {Wait(1), {true, 30, 0}}}},
      {"popup while holding counts the 5000 ms anew",
       {{kPopup, {true, 36, 0}},
        {Wait(3006), {true, 36, 1}},
        {kPopup, {true, 36, 1}},
        {Wait(4999), {true, 36, 1}},
        {Wait(1), {true, 30, 0}}}},
      {"lock change while lowering pauses 600 ms, rises 6 px a tick, then holds",
       {{kPopup, {true, 36, 0}},
        {Wait(5016), {true, 24, 0}},
        {kLockChanged, {true, 24, 0}},
        {Wait(599), {true, 24, 0}},
        {Wait(1), {true, 30, 1}},
        {Wait(6), {true, 36, 1}},
        {Wait(6), {true, 36, 1}},
        {Wait(4999), {true, 36, 1}},
        {Wait(1), {true, 30, 0}}}},
      {"popup while lowering does not bring the strip back",
       {{kPopup, {true, 36, 0}},
        {Wait(5016), {true, 24, 0}},
        {kPopup, {true, 24, 0}},
        {Wait(10), {true, 18, 0}},
        {Wait(30), {false, 0, 0}}}},
      {"lock change just after a popup pauses, then the rise tick goes to the hold",
       {{kPopup, {true, 36, 0}},
        {kLockChanged, {true, 36, 0}},
        {Wait(599), {true, 36, 0}},
        {Wait(1), {true, 36, 1}},
        {Wait(4999), {true, 36, 1}},
        {Wait(1), {true, 30, 0}}}},
      {"lock change while hidden runs a whole cycle without ever showing",
       {{kLockChanged, {false, 36, 0}},
        {Wait(600), {false, 36, 1}},
        {Wait(4999), {false, 36, 1}},
        {Wait(1), {false, 30, 0}},
        {Wait(50), {false, 0, 0}},
        {Wait(60000), {false, 0, 0}}}},
      {"lock change while rising changes only the pictures",
       {{kPopup, {true, 36, 0}},
        {Wait(5016), {true, 24, 0}},
        {kLockChanged, {true, 24, 0}},
        {Wait(600), {true, 30, 1}},
        {kLockChanged, {true, 30, 1}},
        {Wait(6), {true, 36, 1}},
        {Wait(5005), {true, 36, 1}},
        {Wait(1), {true, 30, 0}}}},
      {"lock change while paused counts the 600 ms anew",
       {{kPopup, {true, 36, 0}},
        {Wait(5016), {true, 24, 0}},
        {kLockChanged, {true, 24, 0}},
        {Wait(300), {true, 24, 0}},
        {kLockChanged, {true, 24, 0}},
        {Wait(599), {true, 24, 0}},
        {Wait(1), {true, 30, 1}}}},
      {"popup while holding hidden shows it at full size and restarts the hold",
       {{kLockChanged, {false, 36, 0}},
        {Wait(2600), {false, 36, 1}},
        {kPopup, {true, 36, 1}},
        {Wait(4999), {true, 36, 1}},
        {Wait(1), {true, 30, 0}}}},
      {"popup while rising hidden shows full size; the next rise tick holds",
       {{kLockChanged, {false, 36, 0}},
        {Wait(5650), {false, 0, 0}},
        {kLockChanged, {false, 0, 0}},
        {Wait(606), {false, 12, 1}},
        {kPopup, {true, 36, 1}},
        {Wait(6), {true, 36, 1}},
        {Wait(4999), {true, 36, 1}},
        {Wait(1), {true, 30, 0}}}},
  };
  for (const auto& c : cases) {
    World w;
    tk::Application a(w.ui);
    a.Initialize();
    auto& s = a.CreateForm<TRFLed>(w.services);
    int i = 0;
    bool placed = false;  // a strip never shown keeps its designed place
    for (const auto& [act, expect] : c.steps) {
      act(s, w.ui);
      placed |= expect.visible;
      const std::string label = std::string(c.name) + ", step " + std::to_string(++i);
      EXPECT_EQ(s.Visible(), expect.visible) << label;
      EXPECT_EQ(s.Height(), expect.height) << label;
      if (placed) {
        EXPECT_EQ(s.Top(), TopFor(expect.height)) << label;
        EXPECT_EQ(s.Left(), kCornerLeft) << label;
      }
      EXPECT_EQ(static_cast<int>(s.Raised), expect.raised) << label;
    }
  }
}

TEST_F(Strip, ShowsAtTheCornerTopmostWithoutActivation) {
  strip->Popup();
  EXPECT_EQ(strip->Bounds(), tk::Rect::At(kCornerLeft, TopFor(36), 98, 36));
  const auto* w = world.ui.Find(strip->Handle());
  EXPECT_TRUE(w->ex_style & tk::kWsExTopmost);
  EXPECT_TRUE(w->ex_style & tk::kWsExNoActivate);
  EXPECT_EQ(world.ui.Foreground(), 0u);
  EXPECT_EQ(world.ui.Find(app.Handle())->ex_style, tk::kWsExToolWindow);
}

TEST_F(Strip, EachStepUsesTheWorkAreaOfThatMomentAndKeepsTheLeftEdge) {
  strip->Popup();
  Advance(5006);
  EXPECT_EQ(Top(), TopFor(30));
  world.desktop.work_area = {0, 0, 1000, 900};
  Advance(10);
  EXPECT_EQ(Height(), 24);
  EXPECT_EQ(Top(), TopFor(24, 900));
  EXPECT_EQ(strip->Left(), kCornerLeft);
  Advance(40);
  strip->Popup();  // the show step lays out afresh
  EXPECT_EQ(strip->Bounds(), tk::Rect::At(1000 - 118, 900 - 46, 98, 36));
}

TEST_F(Strip, DragFollowsThePointerAndSavesThePositionAtEachRelease) {
  strip->Popup();
  Advance(6);
  auto& ui = world.ui;
  // C_LED at (5, 7): an anchor whose two coordinates differ, so neither can stand in for the other.
  ui.Mouse(strip->Handle(), {tk::MouseAction::Down, tk::MouseButton::Left, {41, 13}});
  EXPECT_EQ(strip->DragAnchor, (tk::Point{5, 7}));
  ui.Mouse(strip->Handle(), {tk::MouseAction::Move, tk::MouseButton::Left, {61, 43}});
  EXPECT_EQ(strip->Left(), kCornerLeft + 20);
  EXPECT_EQ(Top(), TopFor(36) + 30);
  // Outside the window the pressed picture keeps the moves.
  ui.Mouse(strip->Handle(), {tk::MouseAction::Move, tk::MouseButton::Left, {-5, -11}});
  EXPECT_EQ(strip->Left(), kCornerLeft + 20 - 46);
  EXPECT_EQ(Top(), TopFor(36) + 30 - 24);
  ui.Mouse(strip->Handle(), {tk::MouseAction::Up, tk::MouseButton::Left, {-5, -11}});
  EXPECT_FALSE(strip->Dragging);
  EXPECT_EQ(world.registry.created_path, "Software\\Korvel\\VOVEzurevo");
  EXPECT_EQ(world.registry.created_root, plat::RegistryRoot::CurrentUser);
  EXPECT_EQ(world.registry.created_access, 0x2001Fu);
  EXPECT_EQ(static_cast<int>(world.registry.values["POSX"]), kCornerLeft - 26);
  EXPECT_EQ(static_cast<int>(world.registry.values["POSY"]), TopFor(36) + 6);
  EXPECT_EQ(world.registry.closes, 1);
  // The first lowering step puts the bottom edge back; the dragged left edge stays.
  Advance(5000);
  EXPECT_EQ(Top(), TopFor(30));
  EXPECT_EQ(strip->Left(), kCornerLeft - 26);
  // A second drag opens the key that now exists and writes the new place over the old one.
  ui.Mouse(strip->Handle(), {tk::MouseAction::Down, tk::MouseButton::Left, {10, 10}});
  ui.Mouse(strip->Handle(), {tk::MouseAction::Move, tk::MouseButton::Left, {13, 8}});
  ui.Mouse(strip->Handle(), {tk::MouseAction::Up, tk::MouseButton::Left, {13, 8}});
  EXPECT_EQ(world.registry.creates, 2);
  EXPECT_EQ(static_cast<int>(world.registry.values["POSX"]), kCornerLeft - 23);
  EXPECT_EQ(static_cast<int>(world.registry.values["POSY"]), TopFor(30) - 2);
  EXPECT_EQ(world.registry.closes, 2);
}

TEST_F(Strip, PressAndReleaseWithoutMovingStillSavesAndAnyButtonDrags) {
  strip->Popup();
  auto& ui = world.ui;
  ui.Mouse(strip->Handle(), {tk::MouseAction::Down, tk::MouseButton::Right, {70, 8}});
  EXPECT_TRUE(strip->Dragging);
  EXPECT_EQ(strip->DragAnchor, (tk::Point{3, 2}));
  ui.Mouse(strip->Handle(), {tk::MouseAction::Up, tk::MouseButton::Right, {70, 8}});
  EXPECT_EQ(static_cast<int>(world.registry.values["POSX"]), kCornerLeft);
  EXPECT_EQ(static_cast<int>(world.registry.values["POSY"]), TopFor(36));
  // A move with no press does nothing; a press outside the pictures starts nothing.
  ui.Mouse(strip->Handle(), {tk::MouseAction::Move, tk::MouseButton::Left, {80, 20}});
  ui.Mouse(strip->Handle(), {tk::MouseAction::Down, tk::MouseButton::Left, {1, 1}});
  EXPECT_FALSE(strip->Dragging);
  EXPECT_EQ(strip->Left(), kCornerLeft);
}

// The key is written whether it was created now or opened; a failed creation writes nothing.
TEST_F(Strip, SavePositionWritesANewOrAnExistingKeyAndNothingWhenTheKeyFails) {
  struct Case {
    const char* what;
    bool key_exists, fail_create;
    bool written;
  };
  const Case cases[] = {
      {"new key", false, false, true},
      {"existing key", true, false, true},
      {"key cannot be made", false, true, false},
  };
  for (const Case& c : cases) {
    World w;
    tk::Application a(w.ui);
    a.Initialize();
    auto& s = a.CreateForm<TRFLed>(w.services);
    s.Popup();
    w.registry.key_exists = c.key_exists;
    w.registry.fail_create = c.fail_create;
    s.SavePosition();
    EXPECT_EQ(w.registry.values.size(), c.written ? 2u : 0u) << c.what;
    if (c.written) {
      EXPECT_EQ(static_cast<int>(w.registry.values["POSX"]), kCornerLeft) << c.what;
      EXPECT_EQ(static_cast<int>(w.registry.values["POSY"]), TopFor(36)) << c.what;
    }
    EXPECT_EQ(w.registry.closes, c.written ? 1 : 0) << c.what;
  }
}

TEST_F(Strip, UpdateLedsShowsEachLockFromItsBit) {
  struct Case {
    std::uint8_t lock_state;
    int num, caps, scroll;
  };
  using namespace forms;
  const Case cases[] = {
      {0, kPicNumOff, kPicCapsOff, kPicScrollOff},
      {1, kPicNumOff, kPicCapsOff, kPicScrollOn},
      {6, kPicNumOn, kPicCapsOn, kPicScrollOff},
      {7, kPicNumOn, kPicCapsOn, kPicScrollOn},
      {0xF8, kPicNumOff, kPicCapsOff, kPicScrollOff},
  };
  for (const auto& c : cases) {
    strip->LockState = c.lock_state;
    strip->UpdateLeds();
    EXPECT_EQ(strip->N_LED.picture, c.num) << int(c.lock_state);
    EXPECT_EQ(strip->C_LED.picture, c.caps) << int(c.lock_state);
    EXPECT_EQ(strip->S_LED.picture, c.scroll) << int(c.lock_state);
  }
}

TEST(StripConstruction, SamplesTheKeysPressedOrToggledAndLaysOutTheForm) {
  World w;
  w.desktop.keyboard[0x91] = 0x80;  // Scroll Lock held down counts as on
  w.desktop.keyboard[0x14] = 0x01;
  tk::Application a(w.ui);
  a.Initialize();
  auto& s = a.CreateForm<TRFLed>(w.services);
  EXPECT_EQ(s.LockState, kScrollLockBit | kCapsLockBit);
  EXPECT_EQ(s.C_LED.picture, forms::kPicCapsOn);
  EXPECT_EQ(s.N_LED.picture, forms::kPicNumOff);
  EXPECT_EQ(s.Raised, 0);
  EXPECT_FALSE(s.Visible());
  EXPECT_EQ(s.Shape1.bounds, tk::Rect::At(0, 0, 98, 36));
  EXPECT_EQ(s.Shape1.fill, (tk::Color{30, 30, 30}));
  EXPECT_EQ(s.Shape4.fill, (tk::Color{128, 128, 128}));
  EXPECT_EQ(s.Shape2.fill, (tk::Color{0, 255, 0}));
  EXPECT_EQ(s.Shape5.bounds, tk::Rect::At(183, 174, 18, 9));
  EXPECT_EQ(s.S_LED.bounds, tk::Rect::At(67, 6, 24, 24));
}

TEST_F(Strip, CloseRequestIsRefused) {
  strip->Popup();
  world.ui.CloseRequest(strip->Handle());
  EXPECT_TRUE(Visible());
  EXPECT_FALSE(app.Terminated());
}

TEST_F(Strip, TaskbarComingBackRefreshesThePicturesFiveSecondsAfterTheFirstNotice) {
  world.services.state.taskbar_created = world.ui.RegisterMessage("TaskbarCreated");
  const tk::Message notice{world.services.state.taskbar_created, 0, 0};
  world.ui.Post(strip->Handle(), notice);
  Advance(1000);
  strip->LockState = 7;
  Advance(2000);
  world.ui.Post(strip->Handle(), notice);  // while the refresh is pending: changes nothing
  Advance(1999);
  EXPECT_EQ(strip->C_LED.picture, forms::kPicCapsOff);
  Advance(1);
  EXPECT_EQ(strip->C_LED.picture, forms::kPicCapsOn);
  EXPECT_FALSE(Visible());
  EXPECT_FALSE(strip->Timer4.Ticking());
}

}  // namespace
}  // namespace display
