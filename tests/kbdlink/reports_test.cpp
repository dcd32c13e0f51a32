// Feature-report transfers on table rows.
#include <gtest/gtest.h>

#include <array>

#include "fixture.h"

namespace kbdlink::testing {
namespace {

class FeatureReports : public ::testing::Test {
 protected:
  int AddOpenRow(std::uint16_t feature_length) {
    SimInterface d = Interface(PathFor(next_), 1, 2, 3, 4, feature_length);
    d.feature_replies[0x05] = {0x05, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99};
    m.devices.Add(d);
    table.Rebuild();
    for (int i = 0; i <= next_; ++i) table.OpenRow(i, false);
    return next_++;
  }
  Machine m;
  HidDeviceTable table{m.devices, m.windows, m.threads};
  int next_ = 0;
};

TEST_F(FeatureReports, ReadsARowWhoseReportFitsTheCapacityInFull) {
  const int row = AddOpenRow(9);
  std::array<std::uint8_t, 12> buffer{0x05};
  buffer.fill(0xEE);
  buffer[0] = 0x05;
  ASSERT_TRUE(table.GetFeatureReport(row, buffer.data(), 9));
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 12>{0x05, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0xEE,
                                                   0xEE, 0xEE}));
  EXPECT_EQ(m.devices.Pauses(), 1);
  EXPECT_EQ(m.devices.PausedMs(), 1u);
}

TEST_F(FeatureReports, NeverReadsARowWhoseReportExceedsTheCapacity) {
  const int row = AddOpenRow(10);
  std::array<std::uint8_t, 16> buffer{};
  buffer[0] = 0x05;
  EXPECT_FALSE(table.GetFeatureReport(row, buffer.data(), 9));
  EXPECT_EQ(m.devices.FeatureReads(row), 0) << "no transfer at all";
  EXPECT_EQ(buffer[1], 0);
  EXPECT_EQ(m.devices.Pauses(), 0);
}

TEST_F(FeatureReports, AFailedReadStillPauses) {
  const int row = AddOpenRow(9);
  std::uint8_t buffer[9] = {0x42};  // no reply scripted for this id
  EXPECT_FALSE(table.GetFeatureReport(row, buffer, 9));
  EXPECT_EQ(m.devices.Pauses(), 1);
}

TEST_F(FeatureReports, WritesAlwaysTheGivenLengthWhateverTheRowsReportLength) {
  for (std::uint16_t length : {std::uint16_t{2}, std::uint16_t{5}, std::uint16_t{64}}) {
    const int row = AddOpenRow(length);
    std::uint8_t report[8] = {0x07, 1, 2, 3, 4, 0xFF, 0xFF, 0xFF};
    ASSERT_TRUE(table.SetFeatureReport(row, report, kFeatureWriteLength)) << length;
    EXPECT_EQ(m.devices.FeatureWrites(row), (std::vector<std::vector<std::uint8_t>>{{0x07, 1, 2, 3, 4}})) << length;
  }
  EXPECT_EQ(m.devices.Pauses(), 3);
}

TEST_F(FeatureReports, PositionsOutsideTheTableMoveNothing) {
  AddOpenRow(9);
  std::uint8_t buffer[9] = {0x05};
  for (int position : {-1, 1, 30}) {
    EXPECT_FALSE(table.GetFeatureReport(position, buffer, 9));
    EXPECT_FALSE(table.SetFeatureReport(position, buffer, 5));
  }
  EXPECT_EQ(m.devices.Pauses(), 0);
  EXPECT_EQ(buffer[1], 0);
}

}  // namespace
}  // namespace kbdlink::testing
