#include "toolkit/dpi.h"

#include <gtest/gtest.h>

#include <vector>

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/headless_backend.h"

namespace tk {
namespace {

TEST(ScaleForDpi, RoundsHalfAwayFromZeroAsMulDivDoes) {
  struct Case {
    int value, dpi, expected;
  };
  const Case cases[] = {
      {98, 96, 98},  {98, 120, 123}, {98, 144, 147}, {98, 192, 196}, {36, 144, 54}, {36, 192, 72},
      {6, 120, 8},   {6, 168, 11},   {10, 120, 13},  {20, 120, 25},  {5, 120, 6},   {1, 120, 1},
      {2, 120, 3},   {-2, 120, -3},  {0, 192, 0},    {24, 168, 42},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ScaleForDpi(c.value, c.dpi), c.expected) << c.value << " at " << c.dpi;
}

TEST(ScaleForDpi, ScalesARectanglesCornerAndSizeApart) {
  // 5..29 at 120 DPI: corner 6, size 30 -- not the rounded right edge 36.
  EXPECT_EQ(ScaleForDpi(Rect::At(5, 6, 24, 24), 120), Rect::At(6, 8, 30, 30));
}

TEST(PictureScale, TakesTheNearestDrawnScaleAndTheLargerOnATie) {
  struct Case {
    int dpi, index;
  };
  // 100 125 150 175 200 % are 96 120 144 168 192 DPI.
  const Case cases[] = {{72, 0},  {96, 0},  {107, 0}, {108, 1}, {120, 1}, {132, 2}, {144, 2},
                        {168, 3}, {180, 4}, {192, 4}, {288, 4}, {480, 4}};
  for (const Case& c : cases) EXPECT_EQ(PictureScaleIndex(c.dpi), c.index) << c.dpi;
  EXPECT_EQ(ScaledResource(101, 144), 2101);
}

class Probe final : public Form {
 public:
  explicit Probe(Application& app) : Form(app, "Probe") {}
  std::vector<int> heard;

 protected:
  WindowDesign Design() const override {
    WindowDesign d;
    d.class_name = "Probe";
    d.bounds = Rect::At(10, 10, 100, 40);
    return d;
  }
  void DpiChanged(int dpi, Rect suggested) override {
    heard.push_back(dpi);
    Form::DpiChanged(dpi, suggested);
  }
};

TEST(HeadlessMonitors, AWindowTakesTheDpiOfTheMonitorHoldingItsCentre) {
  HeadlessBackend ui;
  Application app(ui);
  app.Initialize();
  Probe& probe = app.CreateForm<Probe>();
  EXPECT_EQ(probe.Dpi(), 96);
  EXPECT_EQ(probe.Scale(36), 36);

  ui.AddMonitor(Rect::At(2000, 0, 1920, 1080), 192);
  EXPECT_TRUE(probe.heard.empty()) << "a monitor the window is not on must not notify it";

  probe.SetBounds(Rect::At(1990, 10, 100, 40));  // centre at x 2040: on the 192-DPI monitor
  EXPECT_EQ(probe.heard, std::vector<int>{192});
  EXPECT_EQ(probe.Dpi(), 192);
  EXPECT_EQ(probe.Bounds(), Rect::At(1990, 10, 200, 80)) << "the default handler takes the suggested bounds";

  ui.SetMonitorDpi(1, 144);
  EXPECT_EQ(probe.heard, (std::vector<int>{192, 144}));
  EXPECT_EQ(probe.Bounds(), Rect::At(1990, 10, 150, 60));

  probe.SetBounds(Rect::At(10, 10, 150, 60));
  EXPECT_EQ(probe.heard, (std::vector<int>{192, 144, 96}));
  EXPECT_EQ(probe.Scale(36), 36);
}

}  // namespace
}  // namespace tk
