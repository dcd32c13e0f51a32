// Discovery and open of the device table over scripted interfaces.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "fixture.h"

namespace kbdlink::testing {
namespace {

struct EnumerationCase {
  const char* name;
  std::function<void(SimDevices&)> script;
  int rows;
  std::set<int> empty_rows;  // positions whose interface failed its probe
};

void AddKeyboards(SimDevices& d, int n) {
  for (int i = 0; i < n; ++i) d.Add(Keyboard(i));
}

SimInterface Failing(int n, bool SimInterface::*what) {
  SimInterface d = Keyboard(n);
  d.*what = true;
  return d;
}

const EnumerationCase kEnumerationCases[] = {
    {"NoInterfaceSet", [](SimDevices& d) { AddKeyboards(d, 3), d.SetInterfaceSetMissing(true); }, 0, {}},
    {"NoInterfaces", [](SimDevices&) {}, 0, {}},
    {"OneInterface", [](SimDevices& d) { AddKeyboards(d, 1); }, 1, {}},
    {"FortyOneInterfacesGrowTheList", [](SimDevices& d) { AddKeyboards(d, 41); }, 41, {}},
    {"HundredInterfaces", [](SimDevices& d) { AddKeyboards(d, 100); }, 100, {}},
    {"IndexFailingWithAnotherError",
     [](SimDevices& d) {
       AddKeyboards(d, 2);
       d.Add(Failing(2, &SimInterface::lookup_fails));
       d.Add(Keyboard(3));
       d.Add(Keyboard(4));
     },
     5, {2}},
    {"FailedDetailFetchYieldsNoRows",
     [](SimDevices& d) {
       AddKeyboards(d, 3);
       d.Add(Failing(3, &SimInterface::detail_fails));
       d.Add(Keyboard(4));
     },
     0, {}},
    {"PathOf259CharactersIsProbed", [](SimDevices& d) { d.Add(Interface(std::string(259, 'p'), 1, 2, 3, 4)); }, 1, {}},
    {"PathOf260CharactersGivesAnEmptyRow",
     [](SimDevices& d) {
       d.Add(Interface(std::string(260, 'p'), 1, 2, 3, 4));
       d.Add(Keyboard(1));
     },
     2, {0}},
    {"VeryLongPathGivesAnEmptyRow", [](SimDevices& d) { d.Add(Interface(std::string(70000, 'q'), 1, 2, 3, 4)); }, 1, {0}},
    {"OpenFails", [](SimDevices& d) { d.Add(Failing(0, &SimInterface::open_fails)), d.Add(Keyboard(1)); }, 2, {0}},
    {"PreparsedDataFails", [](SimDevices& d) { d.Add(Keyboard(0)), d.Add(Failing(1, &SimInterface::preparsed_fails)); }, 2, {1}},
    {"AttributesFail", [](SimDevices& d) { d.Add(Failing(0, &SimInterface::attributes_fail)); }, 1, {0}},
    {"CapsFail", [](SimDevices& d) { d.Add(Failing(0, &SimInterface::caps_fail)); }, 1, {0}},
};

class Enumeration : public ::testing::TestWithParam<EnumerationCase> {};

TEST_P(Enumeration, MakesOneRowPerIndexAndReleasesEverythingItOpened) {
  const EnumerationCase& c = GetParam();
  Machine m;
  c.script(m.devices);
  HidDeviceTable table(m.devices, m.windows, m.threads);

  ASSERT_EQ(table.Rebuild(), c.rows);
  ASSERT_EQ(table.Count(), c.rows);
  for (int i = 0; i < c.rows; ++i) {
    const HidDeviceRow& row = *table.Row(i);
    EXPECT_EQ(row.handle, kNoHandle) << i;
    EXPECT_EQ(row.preparsed, 0u) << i;
    if (c.empty_rows.count(i)) {
      EXPECT_STREQ(row.path, "") << i;
      EXPECT_EQ(row.usage_page | row.usage | row.vendor_id | row.product_id | row.version_number |
                    row.feature_button_caps | row.feature_value_caps | row.input_report_length |
                    row.output_report_length | row.feature_report_length,
                0u)
          << i;
      EXPECT_FALSE(table.OpenRow(i, false)) << "an empty row can never be opened";
    } else {
      const SimInterface script = m.devices.Script(i);
      EXPECT_EQ(row.path, script.path) << i;
      EXPECT_EQ(row.vendor_id, script.attributes.vendor_id) << i;
      EXPECT_EQ(row.product_id, script.attributes.product_id) << i;
      EXPECT_EQ(row.usage_page, script.caps.usage_page) << i;
      EXPECT_EQ(row.usage, script.caps.usage) << i;
      EXPECT_EQ(row.feature_report_length, script.caps.feature_report_length) << i;
    }
  }
  // The probe's handles, its preparsed data and the interface set are all released.
  EXPECT_EQ(m.devices.OpenInterfaceSets(), 0);
  EXPECT_EQ(m.devices.OutstandingPreparsedData(), 0);
  EXPECT_EQ(m.devices.BadPreparsedFrees(), 0);
  for (int d = 0; d < m.devices.DeviceCount(); ++d) EXPECT_EQ(m.devices.OpenHandles(d), 0) << d;
}

INSTANTIATE_TEST_SUITE_P(Cases, Enumeration, ::testing::ValuesIn(kEnumerationCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Enumeration, RowsCarryTheProbedFields) {
  Machine m;
  SimInterface d = Interface("\\\\?\\HID#VID_0461&PID_4D7A", 0x0461, 0x4D7A, 0x000C, 0x0001, 7);
  d.attributes.version_number = 0x0321;
  d.caps.input_report_length = 33;
  d.caps.output_report_length = 4;
  d.caps.number_feature_button_caps = 5;
  d.caps.number_feature_value_caps = 6;
  m.devices.Add(d);
  HidDeviceTable table(m.devices, m.windows, m.threads);
  ASSERT_EQ(table.Rebuild(), 1);
  const HidDeviceRow& row = *table.Row(0);
  EXPECT_STREQ(row.path, "\\\\?\\HID#VID_0461&PID_4D7A");
  EXPECT_EQ(row.usage_page, 0x000Cu);
  EXPECT_EQ(row.usage, 0x0001u);
  EXPECT_EQ(row.vendor_id, 0x0461);
  EXPECT_EQ(row.product_id, 0x4D7A);
  EXPECT_EQ(row.version_number, 0x0321);
  EXPECT_EQ(row.feature_button_caps, 5);
  EXPECT_EQ(row.feature_value_caps, 6);
  EXPECT_EQ(row.input_report_length, 33);
  EXPECT_EQ(row.output_report_length, 4);
  EXPECT_EQ(row.feature_report_length, 7);
  EXPECT_EQ(table.Row(1), nullptr);
  EXPECT_EQ(table.Row(-1), nullptr);
}

TEST(Enumeration, ProbesQueryOnlyWithoutFlagsAndLaterIndicesStillGetRows) {
  Machine m;
  m.devices.Add(Keyboard(0));
  SimInterface broken = Keyboard(1);
  broken.lookup_fails = true;
  m.devices.Add(broken);
  m.devices.Add(Keyboard(2));
  HidDeviceTable table(m.devices, m.windows, m.threads);
  ASSERT_EQ(table.Rebuild(), 3);
  EXPECT_STREQ(table.Row(2)->path, PathFor(2).c_str());
  for (const auto& open : m.devices.Opens()) EXPECT_EQ(open.mode, OpenMode::kProbe);
}

TEST(Enumeration, RebuildReplacesTheRowsWithTheCurrentInterfaces) {
  Machine m;
  m.devices.Add(Keyboard(0));
  const int second = m.devices.Add(Keyboard(1));
  HidDeviceTable table(m.devices, m.windows, m.threads);
  ASSERT_EQ(table.Rebuild(), 2);
  m.devices.Unplug(second);
  ASSERT_EQ(table.Rebuild(), 1);
  EXPECT_STREQ(table.Row(0)->path, PathFor(0).c_str());
  EXPECT_EQ(table.Row(1), nullptr);
}

class RowOpen : public ::testing::Test {
 protected:
  RowOpen() {
    m.devices.Add(Keyboard(0));
    m.devices.Add(Keyboard(1));
    table.Rebuild();
  }
  Machine m;
  HidDeviceTable table{m.devices, m.windows, m.threads};
};

TEST_F(RowOpen, OpensInTheRequestedModeAndClosesAgain) {
  ASSERT_TRUE(table.OpenRow(0, false));
  ASSERT_TRUE(table.OpenRow(1, true));
  const auto opens = m.devices.Opens();
  EXPECT_EQ(opens[opens.size() - 2].mode, OpenMode::kQueryOnly);
  EXPECT_EQ(opens.back().mode, OpenMode::kReadOverlapped);
  EXPECT_TRUE(table.IsRowOpen(0));
  EXPECT_NE(table.Row(0)->preparsed, 0u);
  EXPECT_EQ(m.devices.OutstandingPreparsedData(), 2);

  EXPECT_TRUE(table.CloseRow(0));
  EXPECT_EQ(table.Row(0)->handle, kNoHandle);
  EXPECT_EQ(table.Row(0)->preparsed, 0u);
  EXPECT_FALSE(table.CloseRow(0)) << "a closed row cannot be closed again";
  EXPECT_TRUE(table.CloseRow(1));
  EXPECT_EQ(m.devices.OpenHandles(0) + m.devices.OpenHandles(1), 0);
  EXPECT_EQ(m.devices.OutstandingPreparsedData(), 0);
}

TEST_F(RowOpen, FailedOpenLeavesTheInvalidValueAndTheNextOpenTriesAgain) {
  m.devices.SetOpenFails(0, true);
  EXPECT_FALSE(table.OpenRow(0, false));
  EXPECT_EQ(table.Row(0)->handle, kInvalidHandle);
  EXPECT_FALSE(table.IsRowOpen(0));
  EXPECT_FALSE(table.CloseRow(0));

  m.devices.SetOpenFails(0, false);
  EXPECT_TRUE(table.OpenRow(0, false));
  EXPECT_TRUE(table.IsRowOpen(0));
}

TEST_F(RowOpen, OpeningAnOpenRowKeepsItsHandle) {
  ASSERT_TRUE(table.OpenRow(0, false));
  const DeviceHandle h = table.Row(0)->handle;
  EXPECT_TRUE(table.OpenRow(0, true));
  EXPECT_EQ(table.Row(0)->handle, h);
  EXPECT_EQ(m.devices.OpenHandles(0), 1);
}

TEST_F(RowOpen, PositionsOutsideTheTableAreRefused) {
  for (int position : {-1, 2, 1 << 30}) {
    EXPECT_FALSE(table.OpenRow(position, false)) << position;
    EXPECT_FALSE(table.IsRowOpen(position)) << position;
    EXPECT_FALSE(table.CloseRow(position)) << position;
    EXPECT_FALSE(table.RowPathEquals(PathFor(0), position)) << position;
  }
}

TEST_F(RowOpen, PathComparisonIgnoresCaseOnly) {
  std::string upper = PathFor(1);
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  EXPECT_TRUE(table.RowPathEquals(upper, 1));
  EXPECT_FALSE(table.RowPathEquals(upper, 0));
  EXPECT_FALSE(table.RowPathEquals(PathFor(1) + "x", 1));
  EXPECT_FALSE(table.RowPathEquals(PathFor(1).substr(1), 1));
  EXPECT_FALSE(table.RowPathEquals("", 1));
}

}  // namespace
}  // namespace kbdlink::testing
