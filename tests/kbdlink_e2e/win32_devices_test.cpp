// The real HID backend against the machine's interfaces. Wine offers two virtual ones: a mouse
// (vendor 0x845E, product 0x0001, usage page 1, usage 2) and a keyboard (product 0x0002,
// usage 6), both with no feature report.
#include <gtest/gtest.h>

#include "kbdlink/device_table.h"
#include "kbdlink/win32/win32_devices.h"
#include "kbdlink/win32/win32_threads.h"
#include "kbdlink/win32/win32_windows.h"

namespace kbdlink::win32 {
namespace {

constexpr std::uint16_t kWineVendor = 0x845E;

struct Backends {
  Win32Devices devices;
  Win32Windows windows;
  Win32Threads threads;
};

int FindRow(const HidDeviceTable& table, std::uint16_t product) {
  for (int i = 0; i < table.Count(); ++i) {
    const HidDeviceRow* row = table.Row(i);
    if (row->vendor_id == kWineVendor && row->product_id == product) return i;
  }
  return -1;
}

TEST(Win32Devices, EnumeratesTheVirtualInterfacesWithTheirFields) {
  Backends b;
  HidDeviceTable table(b.devices, b.windows, b.threads);
  ASSERT_GE(table.Rebuild(), 2);
  struct Expected {
    std::uint16_t product, page, usage;
  };
  for (const Expected& e : {Expected{0x0001, 1, 2}, Expected{0x0002, 1, 6}}) {
    const int position = FindRow(table, e.product);
    ASSERT_GE(position, 0) << e.product;
    const HidDeviceRow& row = *table.Row(position);
    EXPECT_EQ(row.usage_page, e.page);
    EXPECT_EQ(row.usage, e.usage);
    EXPECT_EQ(row.feature_report_length, 0);
    EXPECT_NE(row.path[0], '\0');
    EXPECT_EQ(row.handle, kNoHandle) << "rows start closed";
    EXPECT_TRUE(table.RowPathEquals(row.path, position));
  }
}

TEST(Win32Devices, AFeatureReadOnAVirtualInterfaceFailsCleanly) {
  Backends b;
  HidDeviceTable table(b.devices, b.windows, b.threads);
  table.Rebuild();
  const int position = FindRow(table, 0x0002);
  ASSERT_GE(position, 0);
  ASSERT_TRUE(table.OpenRow(position, false));
  std::uint8_t buffer[9] = {0x01, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_FALSE(table.GetFeatureReport(position, buffer, kFeatureCapacity));
  EXPECT_TRUE(table.CloseRow(position));
  EXPECT_FALSE(table.IsRowOpen(position));
}

TEST(Win32Devices, OpensRowsInBothModesAndAFailedOpenIsRetried) {
  Backends b;
  HidDeviceTable table(b.devices, b.windows, b.threads);
  table.Rebuild();
  const int position = FindRow(table, 0x0001);
  ASSERT_GE(position, 0);
  EXPECT_TRUE(table.OpenRow(position, false));
  EXPECT_NE(table.Row(position)->preparsed, 0u);
  EXPECT_TRUE(table.CloseRow(position));
  EXPECT_FALSE(table.OpenRow(-1, true));
  EXPECT_FALSE(table.OpenRow(table.Count(), true));
}

}  // namespace
}  // namespace kbdlink::win32
