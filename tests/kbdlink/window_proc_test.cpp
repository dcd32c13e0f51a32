// The hidden window's procedure: device changes and the relay of input reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "fixture.h"

namespace kbdlink::testing {
namespace {

constexpr std::uint32_t kDbtDevtypVolume = 2;

class HiddenWindow : public ::testing::Test, public LinkMachine {
 protected:
  void StartKeyboardReader() {
    keyboard = m.devices.Add(Status(0));
    Init();
    link->ReadDevice(kPage, kUsage);
    m.devices.WaitUntilWaiting(1);
  }
  int keyboard = -1;
};

TEST_F(HiddenWindow, ArrivalOfAnUnrelatedInterfaceStopsReadersRebuildsAndPostsPresentAgain) {
  StartKeyboardReader();
  const int mouse = m.devices.Add(Interface(PathFor(9), 0x046D, 0xC077, 1, 2));
  auto record = Broadcast(kDbtDevtypDeviceInterface, PathFor(9));
  EXPECT_EQ(DeviceChange(kDbtDeviceArrival, &record), 0);
  m.threads.WaitUntilReturned(0);
  EXPECT_EQ(m.threads.ExitCode(0), 0);
  EXPECT_EQ(link->Table().Count(), 2);
  EXPECT_FALSE(link->Table().IsRowOpen(0)) << "readers run again only when the client asks";
  EXPECT_EQ(Posted(), (std::vector<std::uint32_t>{LINKMSG_PRESENT, LINKMSG_PRESENT}));
  (void)mouse;
}

struct IgnoredCase {
  const char* name;
  std::uint32_t event;
  std::uint32_t device_type;
  bool null_record;
  std::uint32_t record_size = 0;  // a record cut to this many bytes, its size field saying so
};

// Exactly `size` bytes of the record, in an allocation of that size, so a read past it shows.
std::vector<std::uint8_t> Cut(const std::vector<std::uint8_t>& record, std::uint32_t size) {
  std::vector<std::uint8_t> cut(record.begin(), record.begin() + size);
  std::memcpy(cut.data(), &size, sizeof size);
  return cut;
}

class IgnoredChanges : public HiddenWindow, public ::testing::WithParamInterface<IgnoredCase> {};

TEST_P(IgnoredChanges, LeaveReadersAndClientAlone) {
  StartKeyboardReader();
  auto record = Broadcast(GetParam().device_type, PathFor(0));
  if (GetParam().record_size != 0) record = Cut(record, GetParam().record_size);
  EXPECT_EQ(DeviceChange(GetParam().event, GetParam().null_record ? nullptr : &record), 0);
  EXPECT_TRUE(m.threads.Running(0));
  EXPECT_TRUE(link->Table().IsRowOpen(0));
  EXPECT_EQ(Posted(), std::vector<std::uint32_t>{LINKMSG_PRESENT});
}

INSTANTIATE_TEST_SUITE_P(Cases, IgnoredChanges,
                         ::testing::Values(IgnoredCase{"VolumeArrival", kDbtDeviceArrival, kDbtDevtypVolume, false},
                                           IgnoredCase{"HandleArrival", kDbtDeviceArrival, kDbtDevtypHandle, false},
                                           IgnoredCase{"ArrivalWithoutRecord", kDbtDeviceArrival, 0, true},
                                           IgnoredCase{"VolumeRemoval", kDbtDeviceRemoveComplete, kDbtDevtypVolume, false},
                                           IgnoredCase{"RemovalWithoutRecord", kDbtDeviceRemoveComplete, 0, true},
                                           IgnoredCase{"OtherEvent", 0x0007, kDbtDevtypDeviceInterface, false},
                                           IgnoredCase{"ArrivalRecordOfItsSizeFieldOnly", kDbtDeviceArrival, kDbtDevtypDeviceInterface, false, 4},
                                           IgnoredCase{"ArrivalRecordShorterThanItsHeader", kDbtDeviceArrival, kDbtDevtypDeviceInterface, false, 8},
                                           IgnoredCase{"RemovalRecordShorterThanItsHeader", kDbtDeviceRemoveComplete, kDbtDevtypDeviceInterface, false, 11}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HiddenWindow, QueryRemoveClosesEverythingAndTellsNobody) {
  StartKeyboardReader();
  auto record = Broadcast(kDbtDevtypHandle);
  EXPECT_EQ(DeviceChange(kDbtDeviceQueryRemove, &record), 0) << "0 lets the removal proceed";
  m.threads.WaitUntilReturned(0);
  EXPECT_FALSE(link->Table().IsRowOpen(0));
  EXPECT_EQ(m.devices.OpenHandles(keyboard), 0);
  EXPECT_EQ(link->Table().Count(), 1) << "no enumeration";
  EXPECT_EQ(Posted(), std::vector<std::uint32_t>{LINKMSG_PRESENT});
}

struct HandleCase {
  const char* name;
  std::uint32_t event;
  bool unplugged;
};

class HandlesAtRemoval : public HiddenWindow, public ::testing::WithParamInterface<HandleCase> {};

// The reader is blocked relaying to the very thread that handles the removal.
TEST_P(HandlesAtRemoval, NoHandleOfTheDeviceIsOpenWhenTheHandlerReturns) {
  StartKeyboardReader();
  m.devices.PushInput(keyboard, {0x01, 0x07});
  m.devices.WaitUntilReadOutstanding(keyboard);
  m.devices.PushInput(keyboard, {0x01, 0x08});
  m.windows.WaitUntilPendingSends(1);
  if (GetParam().unplugged) m.devices.Unplug(keyboard);
  auto record = Broadcast(GetParam().event == kDbtDeviceQueryRemove ? kDbtDevtypHandle : kDbtDevtypDeviceInterface,
                          PathFor(0));
  EXPECT_EQ(DeviceChange(GetParam().event, &record), 0);
  EXPECT_EQ(m.devices.OpenHandles(keyboard), 0) << "a handle of ours would make the system refuse the removal";
  EXPECT_FALSE(m.threads.Running(0));
}

INSTANTIATE_TEST_SUITE_P(Cases, HandlesAtRemoval,
                         ::testing::Values(HandleCase{"QueryRemove", kDbtDeviceQueryRemove, false},
                                           HandleCase{"RemoveComplete", kDbtDeviceRemoveComplete, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HiddenWindow, RemovalOfTheKeyboardIsRecognisedByPathWhateverItsCase) {
  // Behind a foreign interface the keyboard is row 1, entry 0 of the matched rows.
  m.devices.Add(Interface(PathFor(9), 0x046D, 0xC077, 1, 2));
  StartKeyboardReader();
  ASSERT_EQ(link->Matched().count, 1);
  ASSERT_EQ(link->Matched().positions[0], 1);
  m.devices.Unplug(keyboard);
  std::string upper = PathFor(0);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  auto record = Broadcast(kDbtDevtypDeviceInterface, upper);
  EXPECT_EQ(DeviceChange(kDbtDeviceRemoveComplete, &record), 0);
  EXPECT_EQ(link->Table().Count(), 1) << "the foreign interface is left";
  EXPECT_EQ(link->Matched().count, 0);
  EXPECT_EQ(Posted(), (std::vector<std::uint32_t>{LINKMSG_PRESENT, LINKMSG_ABSENT}));
}

TEST_F(HiddenWindow, RemovalWithAnotherMatchLeftPostsPresent) {
  m.devices.Add(Status(0));
  m.devices.Add(Status(1));
  Init();
  m.devices.Unplug(0);
  auto record = Broadcast(kDbtDevtypDeviceInterface, PathFor(0));
  DeviceChange(kDbtDeviceRemoveComplete, &record);
  EXPECT_EQ(link->Matched().count, 1);
  EXPECT_EQ(Posted(), (std::vector<std::uint32_t>{LINKMSG_PRESENT, LINKMSG_PRESENT}));
}

TEST_F(HiddenWindow, RemovalOfAnInterfaceOutsideTheMatchedRowsDoesNothing) {
  StartKeyboardReader();
  m.devices.Add(Interface(PathFor(5), 0x046D, 0xC077, 1, 2));
  auto record = Broadcast(kDbtDevtypDeviceInterface, PathFor(5));
  DeviceChange(kDbtDeviceRemoveComplete, &record);
  auto truncated = Broadcast(kDbtDevtypDeviceInterface, PathFor(0));
  const std::uint32_t short_size = 28 + 5;  // the name cut by the record's own size
  std::memcpy(truncated.data(), &short_size, 4);
  DeviceChange(kDbtDeviceRemoveComplete, &truncated);
  EXPECT_TRUE(m.threads.Running(0));
  EXPECT_EQ(Posted(), std::vector<std::uint32_t>{LINKMSG_PRESENT});
}

TEST_F(HiddenWindow, AnInputReportReachesTheClientSynchronouslyWithItsRowPosition) {
  m.devices.Add(Interface(PathFor(7), 0x046D, 0xC077, 1, 2));
  StartKeyboardReader();  // the keyboard is row 1
  std::vector<std::uint8_t> report(32);
  for (int i = 0; i < 32; ++i) report[i] = static_cast<std::uint8_t>(0x40 + i);
  m.devices.PushInput(keyboard, report);
  m.windows.WaitUntilPendingSends(1);
  EXPECT_EQ(client.received.size(), 1u) << "the reader waits until this thread handles its relay";
  m.windows.Pump();
  ASSERT_EQ(client.received.size(), 2u);
  const auto& got = client.received.back();
  EXPECT_EQ(got.message.message, kInputMessage);
  EXPECT_EQ(got.message.wparam, 1u);
  EXPECT_EQ(got.report, report);
  link->RemoveDevice();
}

enum class Sender { kPosted, kOtherThread, kThisThread };
struct ForeignRelayCase {
  const char* name;
  Sender sender;
  bool relayed;
};

class ForeignRelays : public HiddenWindow, public ::testing::WithParamInterface<ForeignRelayCase> {};

TEST_P(ForeignRelays, ReachTheClientOnlyFromTheWindowsOwnThread) {
  StartKeyboardReader();
  std::uint8_t elsewhere[32] = {0x66, 0x66};  // the sender's pointer, not a reader's report
  const auto lparam = reinterpret_cast<std::intptr_t>(elsewhere);
  const WindowHandle hidden = link->HiddenWindow();
  std::intptr_t result = -1;
  switch (GetParam().sender) {
    case Sender::kPosted:
      ASSERT_TRUE(m.windows.Post(hidden, LINKMSG_RELAY, 0, lparam));
      m.windows.Pump();
      result = 0;
      break;
    case Sender::kOtherThread: {
      std::thread other([&] { result = m.windows.Send(hidden, LINKMSG_RELAY, 0, lparam); });
      m.windows.WaitUntilPendingSends(1);
      m.windows.Pump();
      other.join();
      break;
    }
    case Sender::kThisThread:
      result = m.windows.Send(hidden, LINKMSG_RELAY, 0, lparam);
      break;
  }
  EXPECT_EQ(result, 0);
  const auto inputs = std::count_if(client.received.begin(), client.received.end(),
                                    [](const auto& r) { return r.message.message == kInputMessage; });
  EXPECT_EQ(inputs, GetParam().relayed ? 1 : 0);

  // The reader's own relays still arrive.
  m.devices.PushInput(keyboard, {0x01, 0x02});
  m.windows.WaitUntilPendingSends(1);
  m.windows.Pump();
  ASSERT_EQ(client.received.back().message.message, kInputMessage);
  EXPECT_EQ(client.received.back().report[1], 0x02);
  link->RemoveDevice();
}

INSTANTIATE_TEST_SUITE_P(Cases, ForeignRelays,
                         ::testing::Values(ForeignRelayCase{"Posted", Sender::kPosted, false},
                                           ForeignRelayCase{"SentFromAnotherThread", Sender::kOtherThread, false},
                                           ForeignRelayCase{"SentFromTheWindowsThread", Sender::kThisThread, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HiddenWindow, TheRelayPassesWparamsLow16BitsAndTheSameLparam) {
  Init();
  std::uint8_t report[32] = {0x77};
  EXPECT_EQ(link->LinkWindowProc(link->HiddenWindow(), LINKMSG_RELAY, 0x12345, reinterpret_cast<std::intptr_t>(report)), 0);
  ASSERT_EQ(client.received.size(), 2u);
  EXPECT_EQ(client.received[1].message.wparam, 0x2345u);
  EXPECT_EQ(client.received[1].message.lparam, reinterpret_cast<std::intptr_t>(report));
}

TEST_F(HiddenWindow, CreateDestroyAndOtherMessages) {
  Init();
  const WindowHandle w = link->HiddenWindow();
  EXPECT_EQ(link->LinkWindowProc(w, kWmCreate, 0, 0), 0);
  EXPECT_EQ(link->LinkWindowProc(w, LINKMSG_NOTICE, 0, 0x04030201), 0);
  EXPECT_EQ(link->LinkWindowProc(w, kWmDestroy, 0, 0), 0);
  m.windows.Pump();
  const auto thread_messages = m.windows.ThreadMessages();
  ASSERT_EQ(thread_messages.size(), 1u);
  EXPECT_EQ(thread_messages[0].message, headless::kWmQuit);
  EXPECT_EQ(client.received.size(), 1u) << "the notice stays inside the library";
}

}  // namespace
}  // namespace kbdlink::testing
