#include <gtest/gtest.h>

#include "reminder/remind_dlg.h"
#include "tests/unit/fixtures.h"
#include "toolkit/application.h"

namespace reminder {
namespace {

using testing_support::World;

struct DpiCase {
  int dpi;
  int client_width, client_height;
  tk::Rect label, check_box, button;
};

// The designed 96-DPI layout (405 x 98; label 9,14 387x20; box 8,38 387x20; button 9,64 387x25),
// rounded half away from zero at each scale.
const DpiCase kDpiCases[] = {
    {96, 405, 98, tk::Rect::At(9, 14, 387, 20), tk::Rect::At(8, 38, 387, 20), tk::Rect::At(9, 64, 387, 25)},
    {120, 506, 123, tk::Rect::At(11, 18, 484, 25), tk::Rect::At(10, 48, 484, 25), tk::Rect::At(11, 80, 484, 31)},
    {144, 608, 147, tk::Rect::At(14, 21, 581, 30), tk::Rect::At(12, 57, 581, 30), tk::Rect::At(14, 96, 581, 38)},
    {192, 810, 196, tk::Rect::At(18, 28, 774, 40), tk::Rect::At(16, 76, 774, 40), tk::Rect::At(18, 128, 774, 50)},
};

tk::Rect ControlRect(const World& w, const tk::Control& c) {
  const auto* win = w.ui.Find(c.Handle());
  return win ? win->bounds : tk::Rect{};
}

void ExpectLayout(const World& w, const TRemindDlg& d, const DpiCase& c) {
  EXPECT_EQ(d.Width(), c.client_width) << "at " << c.dpi << " DPI";
  EXPECT_EQ(d.Height(), c.client_height) << "at " << c.dpi << " DPI";
  EXPECT_EQ(ControlRect(w, d.TntLabel1), c.label) << "at " << c.dpi << " DPI";
  EXPECT_EQ(ControlRect(w, d.TntCheckBox1), c.check_box) << "at " << c.dpi << " DPI";
  EXPECT_EQ(ControlRect(w, d.TntBitBtn1), c.button) << "at " << c.dpi << " DPI";
}

TEST(ReminderAtEveryScale, ClientAreaAndControlsFollowTheMonitorsDpiAndTheFontGoesWithThem) {
  for (const DpiCase& c : kDpiCases) {
    World w;
    w.ui.SetMonitorDpi(0, c.dpi);
    w.services.state.language_font = tk::Font{"Tahoma", 1, 8};
    tk::Application a(w.ui);
    a.Initialize();
    auto& d = a.CreateForm<TRemindDlg>(w.services);
    d.RemindTimer.Start();
    w.ui.Advance(1000);
    ASSERT_TRUE(d.Visible()) << "at " << c.dpi << " DPI";
    ExpectLayout(w, d, c);
    // Centred at its scaled size on the 1280 x 984 work area.
    EXPECT_EQ(d.Left(), (1280 - c.client_width) / 2) << "at " << c.dpi << " DPI";
    EXPECT_EQ(d.Top(), (984 - c.client_height) / 2) << "at " << c.dpi << " DPI";
    // The font is named in points; its pixel height comes from the window's DPI.
    EXPECT_EQ(w.ui.Find(d.TntLabel1.Handle())->font, w.services.state.language_font);
  }
}

TEST(ReminderDpiChange, MovedOntoAMonitorOfAnotherScaleItLaysItselfOutForThatScale) {
  World w;
  tk::Application a(w.ui);
  a.Initialize();
  auto& d = a.CreateForm<TRemindDlg>(w.services);
  d.RemindTimer.Start();
  w.ui.Advance(1000);
  ExpectLayout(w, d, kDpiCases[0]);

  const int right = w.ui.AddMonitor(tk::Rect::At(1280, 0, 2560, 1440), 144);
  d.SetBounds(tk::Rect::At(1600, 300, d.Width(), d.Height()));
  EXPECT_EQ(d.Dpi(), 144);
  ExpectLayout(w, d, kDpiCases[2]);
  EXPECT_EQ(d.Left(), 1600);

  w.ui.SetMonitorDpi(right, 192);
  ExpectLayout(w, d, kDpiCases[3]);
}

}  // namespace
}  // namespace reminder
