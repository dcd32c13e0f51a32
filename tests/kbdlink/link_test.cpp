// The six operations and the selection rules over simulated devices and headless windows.
#include <gtest/gtest.h>

#include <array>

#include "fixture.h"

namespace kbdlink::testing {
namespace {

// One table of devices, probed once, against every rule.
class SelectionRules : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const SimInterface rows[] = {
        Status(0),                                  // 0 configured identity
        Status(1, ALT_VENDOR_ID, ALT_PRODUCT_ID),   // 1 alternate identity
        Status(2, kVendor, 0x071E),                 // 2 reader-only product ids
        Status(3, kVendor, 0x071F),                 // 3
        Status(4, kVendor, 0x9999),                 // 4 another product of the vendor
        Status(5, 0x1234, kProduct),                // 5 another vendor
        Status(6, kVendor, kProduct, kPage, 2),     // 6 another usage
        Status(7, ALT_VENDOR_ID, ALT_PRODUCT_ID, kPage, 2),  // 7
    };
    SimInterface empty = Status(8);
    empty.open_fails = true;  // 8 an empty row: every field zero
    machine = new Machine;
    for (const SimInterface& r : rows) machine->devices.Add(r);
    machine->devices.Add(empty);
    table = new HidDeviceTable(machine->devices, machine->windows, machine->threads);
    table->Rebuild();
  }
  static void TearDownTestSuite() {
    delete table;
    delete machine;
  }
  static std::vector<int> Selected(Selection s, const LinkConfig& c, const SelectionArguments& a) {
    std::vector<int> out;
    for (int i = 0; i < table->Count(); ++i)
      if (RowPasses(*table->Row(i), s, c, a)) out.push_back(i);
    return out;
  }
  static Machine* machine;
  static HidDeviceTable* table;
};
Machine* SelectionRules::machine = nullptr;
HidDeviceTable* SelectionRules::table = nullptr;

struct RuleCase {
  const char* name;
  Selection selection;
  LinkConfig config;
  SelectionArguments arguments;  // vendor, product, usage page, usage
  std::vector<int> rows;
};

constexpr LinkConfig kConfigured{0, 0, kVendor, kProduct, kPage, kUsage};

const RuleCase kRuleCases[] = {
    {"ArrivalTakesConfiguredIdentityAndAlternate", Selection::kDeviceArrival, kConfigured, {}, {0, 1}},
    {"ArrivalIgnoresArguments", Selection::kDeviceArrival, kConfigured, {0x1234, kProduct, kPage, 2}, {0, 1}},
    {"ArrivalAlternateWhateverTheConfiguredIds", Selection::kDeviceArrival, {0, 0, 0x5555, 0x6666, kPage, kUsage}, {}, {1}},
    {"ReaderAcceptsTheExtraProductIds", Selection::kReadDevice, kConfigured, {0, 0, kPage, kUsage}, {0, 1, 2, 3}},
    {"ReaderUsesTheArgumentsUsages", Selection::kReadDevice, kConfigured, {0, 0, kPage, 2}, {6, 7}},
    {"FeaturesTakeThePassedIdentity", Selection::kGetFeatures, kConfigured, {kVendor, kProduct, kPage, kUsage}, {0, 1}},
    {"FeaturesOfAnotherVendor", Selection::kGetFeatures, kConfigured, {0x1234, kProduct, kPage, kUsage}, {1, 5}},
    {"FeaturesRefuseTheExtraProductIds", Selection::kGetFeatures, kConfigured, {kVendor, 0x071E, kPage, kUsage}, {1, 2}},
    {"SetTakesAnyProductOfTheConfiguredVendor", Selection::kSetKbdFeatures, kConfigured, {0, 0, kPage, kUsage}, {0, 1, 2, 3, 4}},
    {"IdsAboveFFFFNeverMatch", Selection::kGetFeatures, kConfigured, {0x10000u + kVendor, kProduct, kPage, kUsage}, {1}},
    {"ConfiguredIdAboveFFFFNeverMatches", Selection::kDeviceArrival, {0, 0, kVendor, 0x10000u + kProduct, kPage, kUsage}, {}, {1}},
    {"UsageAboveFFFFNeverMatches", Selection::kSetKbdFeatures, kConfigured, {0, 0, 0x10000u + kPage, kUsage}, {}},
    {"EmptyRowsMatchAnAllZeroConfiguration", Selection::kDeviceArrival, {}, {}, {8}},
    {"EmptyRowsMatchAllZeroArguments", Selection::kGetFeatures, kConfigured, {0, 0, 0, 0}, {8}},
};

class Rules : public SelectionRules, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(Rules, SelectTheirRows) {
  const RuleCase& c = GetParam();
  EXPECT_EQ(Selected(c.selection, c.config, c.arguments), c.rows);
}

INSTANTIATE_TEST_SUITE_P(Cases, Rules, ::testing::ValuesIn(kRuleCases),
                         [](const auto& info) { return std::string(info.param.name); });

class Exports : public ::testing::Test, public LinkMachine {};

TEST_F(Exports, EachExportActsOnTheRowsOfItsRule) {
  m.devices.Add(Status(0));                               // 0
  m.devices.Add(Status(1, kVendor, 0x071E));              // 1 reader and set only
  m.devices.Add(Status(2, kVendor, 0x7777));              // 2 set only
  m.devices.Add(Status(3, ALT_VENDOR_ID, ALT_PRODUCT_ID));  // 3 all four
  Init();
  EXPECT_EQ(link->Matched().count, 2);
  EXPECT_EQ((std::vector<int>{link->Matched().positions[0], link->Matched().positions[1]}), (std::vector<int>{0, 3}));

  const std::uint8_t report[5] = {0x07, 1, 2, 3, 4};
  EXPECT_EQ(link->SetKbdFeatures(kPage, kUsage, report), 1);
  for (int d : {0, 1, 2, 3}) EXPECT_EQ(m.devices.FeatureWrites(d).size(), 1u) << d;

  std::uint8_t buffer[9] = {0x05};
  EXPECT_EQ(link->GetFeatures(kVendor, kProduct, kPage, kUsage, buffer), 1);
  EXPECT_EQ(m.devices.FeatureReads(0) + m.devices.FeatureReads(3), 2);
  EXPECT_EQ(m.devices.FeatureReads(1) + m.devices.FeatureReads(2), 0);

  EXPECT_EQ(link->ReadDevice(kPage, kUsage), 1);
  EXPECT_EQ((std::array<int, 4>{m.threads.Starts(0), m.threads.Starts(1), m.threads.Starts(2), m.threads.Starts(3)}),
            (std::array<int, 4>{1, 1, 0, 1}));
  EXPECT_EQ(link->RemoveDevice(), 1);
  for (int d : {0, 1, 3}) {
    m.threads.WaitUntilReturned(d);  // RemoveDevice does not wait; the cancelled reads end them
    EXPECT_EQ(m.threads.ExitCode(d), 0) << d;
  }
}

TEST_F(Exports, ElevenMatchingRowsGiveTenMatchedRowsAndTenReaderStarts) {
  for (int i = 0; i < 11; ++i) m.devices.Add(Status(i));
  Init();
  ASSERT_EQ(link->Matched().count, kMaxMatchedRows);
  for (int i = 0; i < kMaxMatchedRows; ++i) EXPECT_EQ(link->Matched().positions[i], i);
  link->ReadDevice(kPage, kUsage);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(m.threads.Starts(i), 1) << i;
  EXPECT_EQ(m.threads.Starts(10), 0);
  EXPECT_FALSE(link->Table().IsRowOpen(10));
}

TEST_F(Exports, ReadDeviceCountsStartsThatFailed) {
  for (int i = 0; i < 12; ++i) m.devices.Add(Status(i));
  Init();
  m.devices.SetOpenFails(0, true);
  link->ReadDevice(kPage, kUsage);
  EXPECT_EQ(m.threads.Starts(0), 0);
  EXPECT_EQ(m.threads.Starts(9), 1);
  EXPECT_EQ(m.threads.Starts(10), 0) << "the failed start counted among the ten";
}

TEST_F(Exports, ReadDeviceRightAfterRemoveDeviceStartsEveryReaderWhileTheOldOnesAreMidRelay) {
  m.devices.Add(Status(0));
  m.devices.Add(Interface(PathFor(1), 0x046D, 0xC077, 1, 2));
  m.devices.Add(Status(2));
  Init();
  ASSERT_EQ(link->Matched().count, 2);
  link->ReadDevice(kPage, kUsage);
  for (int round = 1; round <= 1000; ++round) {
    for (int d : {0, 2}) m.devices.PushInput(d, {0x01, static_cast<std::uint8_t>(round)});
    for (int d : {0, 2}) m.devices.PushInput(d, {0x01, static_cast<std::uint8_t>(round)});
    m.windows.WaitUntilPendingSends(2);  // both readers blocked in their relay
    link->RemoveDevice();
    link->ReadDevice(kPage, kUsage);
    for (int row : {0, 2}) {
      ASSERT_TRUE(m.threads.Running(row)) << "round " << round << ": row " << row << " got no reader";
      ASSERT_EQ(m.threads.Starts(row), round + 1) << "round " << round << ", row " << row;
    }
  }
  link->RemoveDevice();
}

TEST_F(Exports, GetFeaturesBeforeAnyEnumerationLeavesTheBuffer) {
  m.devices.Add(Status(0));
  std::uint8_t buffer[9] = {0x05, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  const auto before = std::to_array(buffer);
  EXPECT_EQ(link->GetFeatures(kVendor, kProduct, kPage, kUsage, buffer), 1);
  EXPECT_EQ(std::to_array(buffer), before);
  EXPECT_EQ(link->SetKbdFeatures(kPage, kUsage, buffer), 1);
  EXPECT_EQ(link->ReadDevice(kPage, kUsage), 1);
  EXPECT_EQ(link->RemoveDevice(), 1);
  EXPECT_EQ(m.devices.Opens().size(), 0u);
}

TEST_F(Exports, GetFeaturesLeavesTheBufferWhenNoRowAnswers) {
  SimInterface silent = Status(0);
  silent.feature_replies.clear();
  m.devices.Add(silent);
  m.devices.Add(Status(1, kVendor, kProduct, kPage, kUsage));
  m.devices.SetOpenFails(1, true);
  Init();
  std::uint8_t buffer[9] = {0x05, 0xEE};
  EXPECT_EQ(link->GetFeatures(kVendor, kProduct, kPage, kUsage, buffer), 1);
  EXPECT_EQ(buffer[1], 0xEE);
  EXPECT_EQ(link->GetFeatures(kVendor, kProduct, kPage, kUsage, nullptr), 1);
  EXPECT_EQ(link->SetKbdFeatures(kPage, kUsage, nullptr), 1);
}

TEST_F(Exports, TheLastSuccessfulReadWinsAndRowsAreClosedAfterwards) {
  SimInterface first = Status(0), second = Status(1), too_long = Status(2);
  first.feature_replies[5] = {5, 0x11};
  second.feature_replies[5] = {5, 0x22};
  too_long.caps.feature_report_length = 10;
  too_long.feature_replies[5] = {5, 0x33};
  m.devices.Add(first);
  m.devices.Add(second);
  m.devices.Add(too_long);
  Init();
  std::uint8_t buffer[9] = {0x05};
  link->GetFeatures(kVendor, kProduct, kPage, kUsage, buffer);
  EXPECT_EQ(buffer[1], 0x22);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(link->Table().IsRowOpen(i));
  EXPECT_EQ(m.devices.FeatureReads(2), 0);
  EXPECT_EQ(m.devices.Pauses(), 2) << "one 1 ms pause per transfer";
}

TEST_F(Exports, RemoveDeviceThenGetFeaturesStillReadsQueryOnly) {
  SimInterface d = Status(0);
  d.feature_replies[5] = {5, 0x44};
  m.devices.Add(d);
  Init();
  link->ReadDevice(kPage, kUsage);
  m.devices.WaitUntilWaiting(1);
  link->RemoveDevice();
  m.threads.WaitUntilReturned(0);
  EXPECT_EQ(link->Table().Count(), 1);
  EXPECT_EQ(link->Matched().count, 1);
  std::uint8_t buffer[9] = {0x05};
  link->GetFeatures(kVendor, kProduct, kPage, kUsage, buffer);
  EXPECT_EQ(buffer[1], 0x44);
  EXPECT_EQ(m.devices.Opens().back().mode, OpenMode::kQueryOnly);
  EXPECT_EQ(m.devices.OpenHandles(0), 0);
}

TEST_F(Exports, GetFeaturesUsesTheReadersHandleOnAnOpenRow) {
  SimInterface d = Status(0);
  d.feature_replies[5] = {5, 0x55};
  m.devices.Add(d);
  Init();
  link->ReadDevice(kPage, kUsage);
  const auto opens = m.devices.Opens().size();
  std::uint8_t buffer[9] = {0x05};
  link->GetFeatures(kVendor, kProduct, kPage, kUsage, buffer);
  EXPECT_EQ(buffer[1], 0x55);
  EXPECT_EQ(m.devices.Opens().size(), opens);
  EXPECT_TRUE(link->Table().IsRowOpen(0)) << "the reader keeps its row";
}

TEST_F(Exports, DeviceArrivalOnAMachineWithoutInterfacesPostsAbsent) {
  Init();
  EXPECT_EQ(link->DeviceArrival(), 1);
  EXPECT_EQ(Posted(), (std::vector<std::uint32_t>{LINKMSG_ABSENT, LINKMSG_ABSENT}));
}

TEST_F(Exports, DeviceArrivalReturnsTheResultOfItsPost) {
  m.devices.Add(Status(0));
  link->InitDriver(0xDEAD, kInputMessage, kVendor, kProduct, kPage, kUsage);  // no such window
  EXPECT_EQ(link->DeviceArrival(), 0);
}

TEST_F(Exports, DeviceArrivalBeforeInitDriverPostsToTheCallingThread) {
  m.devices.Add(Status(0));
  EXPECT_EQ(link->DeviceArrival(), 1);
  m.windows.Pump();
  const auto messages = m.windows.ThreadMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].message, LINKMSG_ABSENT) << "nothing is configured yet";
  EXPECT_EQ(messages[0].wparam, 0u);
  EXPECT_EQ(messages[0].lparam, 0);
}

TEST_F(Exports, InitDriverMakesTheHiddenWindowRegistersAndPostsPresent) {
  m.devices.Add(Status(0));
  Init();
  EXPECT_EQ(Posted(), std::vector<std::uint32_t>{LINKMSG_PRESENT});
  const auto info = m.windows.Info(link->HiddenWindow());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->class_name, "VEVURClass");
  EXPECT_EQ(info->title, "HKUSBKEYMSG");
  EXPECT_EQ(info->style, 0x80000000u);
  EXPECT_FALSE(info->visible);
  EXPECT_EQ(link->Config().input_message, kInputMessage);

  ASSERT_EQ(link->Table().InterfaceFilterSize(), 46u);
  const std::uint8_t* f = link->Table().InterfaceFilter();
  std::uint32_t size, type;
  std::memcpy(&size, f, 4);
  std::memcpy(&type, f + 4, 4);
  EXPECT_EQ(size, 32u);
  EXPECT_EQ(type, 5u);
  EXPECT_STREQ(reinterpret_cast<const char*>(f + 28), "CHIDKBD");
  std::uint8_t guid[16];
  m.devices.HidInterfaceClass(guid);
  EXPECT_EQ(std::memcmp(f + 12, guid, 16), 0);
  const auto registrations = m.windows.Registrations();
  ASSERT_EQ(registrations.size(), 1u);
  EXPECT_EQ(registrations.begin()->second.recipient, link->HiddenWindow());
}

TEST_F(Exports, ASecondInitDriverReplacesTheConfigurationAndKeepsTheFirstWindow) {
  m.devices.Add(Status(0));
  Init();
  const WindowHandle first = link->HiddenWindow();
  Init(0x4444, 0x5555);
  EXPECT_EQ(link->HiddenWindow(), first);
  EXPECT_EQ(m.windows.ClassRegistrations(), 1);
  EXPECT_EQ(link->Config().vendor_id, 0x4444u);
  EXPECT_EQ(Posted(), (std::vector<std::uint32_t>{LINKMSG_PRESENT, LINKMSG_ABSENT}));
  EXPECT_EQ(m.windows.Registrations().size(), 1u) << "the earlier interface registration was dropped";
}

TEST_F(Exports, OutsideTheNtFamilyNoInterfaceRegistrationIsMade) {
  m.windows.SetVersion(0x80000A04);
  m.devices.Add(Status(0));
  Init();
  EXPECT_TRUE(m.windows.Registrations().empty());
  ASSERT_EQ(link->Table().InterfaceFilterSize(), 56u);
  EXPECT_EQ(link->Table().InterfaceFilter()[28], 0) << "no name outside the NT family";
  // Query-remove still closes what the readers hold.
  link->ReadDevice(kPage, kUsage);
  EXPECT_EQ(m.windows.Registrations().size(), 1u) << "handle registrations are made on every system";
  DeviceChange(kDbtDeviceQueryRemove, nullptr);
  EXPECT_FALSE(link->Table().IsRowOpen(0));
}

TEST_F(Exports, WithoutAHiddenWindowEnumerationStillHappensAndReportsAreDropped) {
  m.windows.SetClassRegistrationFails(true);
  SimInterface d = Status(0);
  m.devices.Add(d);
  Init();
  EXPECT_EQ(link->HiddenWindow(), 0u);
  EXPECT_EQ(Posted(), std::vector<std::uint32_t>{LINKMSG_PRESENT});
  link->ReadDevice(kPage, kUsage);
  m.devices.WaitUntilWaiting(1);
  m.devices.PushInput(0, {1, 2, 3});
  m.devices.WaitUntilWaitsEntered(2);
  EXPECT_EQ(m.windows.PendingSendsForThisThread(), 0);
  link->RemoveDevice();
}

TEST_F(Exports, ReadersRegisterAHandleNotificationUntilStopped) {
  m.devices.Add(Status(0));
  Init();
  link->ReadDevice(kPage, kUsage);
  const HandleFilter& filter = link->Table().LastHandleFilter();
  EXPECT_EQ(filter.size, sizeof(HandleFilter));
  EXPECT_EQ(filter.device_type, 6u);
  EXPECT_EQ(reinterpret_cast<DeviceHandle>(filter.handle), link->Table().Row(0)->handle);
  EXPECT_EQ(m.windows.Registrations().size(), 2u);
  EXPECT_NE(link->Table().Row(0)->notification, 0u);
  link->RemoveDevice();
  EXPECT_EQ(m.windows.Registrations().size(), 1u);
}

TEST_F(Exports, UnloadingWithAReaderBlockedInItsRelayStopsEverythingAndRetiresTheWindow) {
  m.devices.Add(Status(0));
  Init();
  link->ReadDevice(kPage, kUsage);
  m.devices.WaitUntilWaiting(1);
  m.devices.PushInput(0, {9});
  m.windows.WaitUntilPendingSends(1);
  const WindowHandle hidden = link->HiddenWindow();
  link.reset();
  EXPECT_EQ(m.threads.Live(), 0);
  EXPECT_EQ(m.devices.OpenHandles(0), 0);
  EXPECT_TRUE(m.windows.Registrations().empty());
  EXPECT_TRUE(m.windows.Info(hidden)->retired);
  for (const auto& r : client.received) EXPECT_NE(r.message.message, kInputMessage) << "nothing relayed while unloading";
}

}  // namespace
}  // namespace kbdlink::testing
