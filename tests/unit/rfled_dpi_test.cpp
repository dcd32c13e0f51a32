#include <gtest/gtest.h>

#include <vector>

#include "display/rfled.h"
#include "picture_ids.h"
#include "tests/unit/fixtures.h"
#include "toolkit/application.h"

namespace display {
namespace {

using testing_support::World;

// The work area of the fixtures' desktop: 1280 x 984.
constexpr int kWorkRight = 1280;
constexpr int kWorkBottom = 984;

struct DpiCase {
  int dpi;
  int width, height;
  int corner_right, corner_bottom;
  tk::Rect num, caps, scroll;
  int picture_set;  // added to the 100 % pictures' resource ids
  // Heights after each 10 ms lowering step, from the end of the 5000 ms hold.
  std::vector<int> lowering;
  // After a lock change two steps into the lowering: the two rising steps, 6 ms apart.
  std::vector<int> rising;
};

const DpiCase kDpiCases[] = {
    {96, 98, 36, 20, 10, tk::Rect::At(5, 6, 24, 24), tk::Rect::At(36, 6, 24, 24), tk::Rect::At(67, 6, 24, 24), 0,
     {30, 24, 18, 12, 6, 0}, {30, 36}},
    // 125 %: the 8 px step does not divide 45, so the last lowering step is short.
    {120, 123, 45, 25, 13, tk::Rect::At(6, 8, 30, 30), tk::Rect::At(45, 8, 30, 30), tk::Rect::At(84, 8, 30, 30), 1000,
     {37, 29, 21, 13, 5, 0}, {37, 45}},
    {144, 147, 54, 30, 15, tk::Rect::At(8, 9, 36, 36), tk::Rect::At(54, 9, 36, 36), tk::Rect::At(101, 9, 36, 36), 2000,
     {45, 36, 27, 18, 9, 0}, {45, 54}},
    {192, 196, 72, 40, 20, tk::Rect::At(10, 12, 48, 48), tk::Rect::At(72, 12, 48, 48), tk::Rect::At(134, 12, 48, 48), 4000,
     {60, 48, 36, 24, 12, 0}, {60, 72}},
};

int TopFor(const DpiCase& c, int height) { return kWorkBottom - height - c.corner_bottom; }

// The program's strip on a desktop whose one monitor runs at `dpi`.
struct StripAt {
  explicit StripAt(int dpi) : app(w.ui) {
    w.ui.SetMonitorDpi(0, dpi);
    app.Initialize();
    strip = &app.CreateForm<TRFLed>(w.services);
  }
  World w;
  tk::Application app;
  TRFLed* strip = nullptr;
};

TEST(StripAtEveryScale, TakesItsScaledSizeCornerPicturesAndStepsWithTheSameTiming) {
  for (const DpiCase& c : kDpiCases) {
    SCOPED_TRACE(c.dpi);
    StripAt at(c.dpi);
    World& w = at.w;
    TRFLed& strip = *at.strip;

    strip.Popup();
    const int left = kWorkRight - c.width - c.corner_right;
    EXPECT_EQ(strip.Bounds(), tk::Rect::At(left, TopFor(c, c.height), c.width, c.height));
    EXPECT_EQ(strip.Shape1.bounds, tk::Rect::At(0, 0, c.width, c.height));
    EXPECT_EQ(strip.N_LED.bounds, c.num);
    EXPECT_EQ(strip.C_LED.bounds, c.caps);
    EXPECT_EQ(strip.S_LED.bounds, c.scroll);
    EXPECT_EQ(strip.N_LED.picture, forms::kPicNumOff + c.picture_set);
    EXPECT_EQ(strip.C_LED.picture, forms::kPicCapsOff + c.picture_set);
    strip.LockState = kScrollLockBit;
    strip.UpdateLeds();
    EXPECT_EQ(strip.S_LED.picture, forms::kPicScrollOn + c.picture_set);

    w.ui.Advance(5005);  // the rise tick and all but the last millisecond of the hold
    ASSERT_EQ(strip.Height(), c.height);
    std::vector<int> lowering;
    for (std::size_t i = 0; i < c.lowering.size(); ++i) {
      w.ui.Advance(i == 0 ? 1 : 10);
      lowering.push_back(strip.Visible() ? strip.Height() : 0);
      if (strip.Visible()) EXPECT_EQ(strip.Top(), TopFor(c, strip.Height())) << "step " << i;
    }
    EXPECT_EQ(lowering, c.lowering);
    EXPECT_FALSE(strip.Visible()) << "the strip did not sink out of sight in six steps";
    EXPECT_EQ(strip.Left(), left);
  }
}

TEST(StripAtEveryScale, RisesBackInTheSameStepsAfterALockChange) {
  for (const DpiCase& c : kDpiCases) {
    SCOPED_TRACE(c.dpi);
    StripAt at(c.dpi);
    World& w = at.w;
    TRFLed& strip = *at.strip;
    strip.Popup();
    w.ui.Advance(5016);  // two lowering steps
    ASSERT_EQ(strip.Height(), c.lowering[1]);
    strip.LockChanged();
    w.ui.Advance(600);
    std::vector<int> rising{strip.Height()};
    w.ui.Advance(6);
    rising.push_back(strip.Height());
    EXPECT_EQ(rising, c.rising);
    EXPECT_EQ(strip.Top(), TopFor(c, c.height));
    w.ui.Advance(6);
    EXPECT_EQ(strip.Height(), c.height) << "the rise went past the top";
  }
}

TEST(StripDpiChange, TakesTheNewScalesSizeAtOnceAndSavesItsPhysicalCorner) {
  StripAt at(96);
  World& w = at.w;
  TRFLed& strip = *at.strip;
  w.ui.AddMonitor(tk::Rect::At(1280, 0, 1920, 1080), 144);
  strip.Popup();
  const tk::Rect at96 = strip.Bounds();
  ASSERT_EQ(at96, tk::Rect::At(1162, 938, 98, 36));

  // Dragged 100 px right by the Num Lock cap: the centre crosses onto the 144-DPI monitor.
  w.ui.Mouse(strip.Handle(), {tk::MouseAction::Down, tk::MouseButton::Left, {10, 10}});
  w.ui.Mouse(strip.Handle(), {tk::MouseAction::Move, tk::MouseButton::Left, {110, 10}});
  EXPECT_EQ(strip.Bounds(), tk::Rect::At(1262, 938, 147, 54));
  EXPECT_EQ(strip.N_LED.bounds, tk::Rect::At(8, 9, 36, 36));
  EXPECT_EQ(strip.N_LED.picture, forms::kPicNumOff + 2000) << "the pictures must follow the new scale";
  w.ui.Mouse(strip.Handle(), {tk::MouseAction::Up, tk::MouseButton::Left, {110, 10}});
  EXPECT_EQ(static_cast<int>(w.registry.values["POSX"]), 1262);
  EXPECT_EQ(static_cast<int>(w.registry.values["POSY"]), 938);

  // The user sets the monitor to 200 % while the strip is part way down: it stays part way.
  w.ui.Advance(5010);
  ASSERT_EQ(strip.Height(), 45);
  w.ui.SetMonitorDpi(1, 192);
  EXPECT_EQ(strip.Bounds().Width(), 196);
  EXPECT_EQ(strip.Height(), 60);
  EXPECT_EQ(strip.S_LED.bounds, tk::Rect::At(134, 12, 48, 48));
}

}  // namespace
}  // namespace display
