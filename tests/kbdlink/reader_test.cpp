// Input-report readers on simulated devices. Time is virtual: a reader's 100 ms wait ends only
// when the test advances the clock, and the test thread is the window thread they relay to.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "fixture.h"

namespace kbdlink::testing {
namespace {

std::vector<std::uint8_t> Report(std::initializer_list<std::uint8_t> bytes) { return bytes; }

class Readers : public ::testing::Test {
 protected:
  void Build(int keyboards) {
    for (int i = 0; i < keyboards; ++i) m.devices.Add(Keyboard(i));
    table->RegisterInterfaceNotification(target.handle);
    ASSERT_EQ(table->Rebuild(), keyboards);
  }
  std::vector<RecordingClient::Received> Of(std::uint32_t message) const {
    std::vector<RecordingClient::Received> out;
    for (const auto& r : target.received)
      if (r.message.message == message) out.push_back(r);
    return out;
  }
  std::size_t RelayCount() const { return Of(LINKMSG_RELAY).size(); }
  // Serves the reader's blocked relay, then lets it post its notice and wait again.
  void HandOn(int device, std::vector<std::uint8_t> report) {
    const std::size_t before = RelayCount();
    m.devices.PushInput(device, std::move(report));
    while (RelayCount() == before) {
      m.windows.WaitUntilPendingSends(1);
      m.windows.Pump();
    }
    m.devices.WaitUntilWaiting(1);
    m.windows.Pump();
  }

  Machine m;
  RecordingClient target{m.windows, LINKMSG_RELAY};
  std::unique_ptr<HidDeviceTable> table = std::make_unique<HidDeviceTable>(m.devices, m.windows, m.threads);
};

TEST_F(Readers, HandEachReportOnOneIterationLateWhileTheNextReadIsOutstanding) {
  Build(1);
  ASSERT_TRUE(table->StartReader(0));
  m.devices.WaitUntilWaiting(1);
  EXPECT_EQ(m.windows.PendingSendsForThisThread(), 0) << "nothing before the first read completes";

  std::vector<int> reads_queued_at_relay;
  for (std::uint8_t n = 1; n <= 3; ++n) {
    m.devices.PushInput(0, Report({n, 0xA0, 0xB0, 0xC0, n}));
    m.windows.WaitUntilPendingSends(1);
    reads_queued_at_relay.push_back(m.devices.QueuedReads(0));
    m.windows.Pump();
    m.devices.WaitUntilWaiting(1);
    m.windows.Pump();
  }
  EXPECT_EQ(reads_queued_at_relay, (std::vector<int>{2, 3, 4}));

  const auto relays = Of(LINKMSG_RELAY);
  const auto notices = Of(LINKMSG_NOTICE);
  ASSERT_EQ(relays.size(), 3u);
  ASSERT_EQ(notices.size(), 3u);
  for (std::uint8_t n = 1; n <= 3; ++n) {
    EXPECT_EQ(relays[n - 1].message.wparam, 0u);
    EXPECT_EQ(relays[n - 1].report[0], n);
    EXPECT_EQ(relays[n - 1].report[4], n);
    EXPECT_EQ(notices[n - 1].message.lparam, static_cast<std::intptr_t>(0xC0B0A000u | n));
  }
  // Relay, then notice, for each report in turn.
  const auto all = target.Messages();
  EXPECT_EQ(all, (std::vector<std::uint32_t>{LINKMSG_RELAY, LINKMSG_NOTICE, LINKMSG_RELAY, LINKMSG_NOTICE,
                                             LINKMSG_RELAY, LINKMSG_NOTICE}));
}

// A numbered report: the sequence number in bytes 0-3, a pattern of it, and a checksum of the
// first 28 bytes in bytes 28-31.
std::vector<std::uint8_t> Numbered(std::uint32_t n) {
  std::vector<std::uint8_t> r(32);
  std::memcpy(r.data(), &n, 4);
  for (int i = 4; i < 28; ++i) r[i] = static_cast<std::uint8_t>(n * 31 + i);
  std::uint32_t sum = 0;
  for (int i = 0; i < 28; ++i) sum = sum * 131 + r[i];
  std::memcpy(r.data() + 28, &sum, 4);
  return r;
}

TEST_F(Readers, AStreamOfReportsReachesASlowClientIntactAndInOrder) {
  constexpr std::uint32_t kReports = 3000;
  Build(1);
  // The client reads the report a byte at a time, giving the device every chance to complete
  // the next read meanwhile.
  std::vector<std::vector<std::uint8_t>> got;
  const WindowHandle slow = m.windows.CreateWindowFor("Slow", "slow", [&got](const Message& msg) {
    if (msg.message != LINKMSG_RELAY) return std::intptr_t{0};
    const auto* p = reinterpret_cast<const std::uint8_t*>(msg.lparam);
    std::vector<std::uint8_t> copy(32);
    for (int i = 0; i < 32; ++i) {
      copy[i] = p[i];
      std::this_thread::yield();
    }
    got.push_back(std::move(copy));
    return std::intptr_t{0};
  });
  table->RegisterInterfaceNotification(slow);
  ASSERT_TRUE(table->StartReader(0));
  // Like a keyboard, the device completes each read as soon as it is queued, from its own thread.
  std::thread device([this] {
    for (std::uint32_t n = 1; n <= kReports; ++n) {
      m.devices.WaitUntilReadOutstanding(0);
      m.devices.PushInput(0, Numbered(n));
    }
  });
  while (got.size() < kReports) {
    m.windows.WaitUntilPendingSends(1);
    m.windows.Pump();
  }
  device.join();
  table->CloseAll();
  m.threads.WaitUntilReturned(0);
  std::uint32_t bad = 0, first_bad = 0;
  for (std::uint32_t i = 0; i < kReports; ++i) {
    if (got[i] == Numbered(i + 1)) continue;
    if (bad++ == 0) first_bad = i + 1;
  }
  EXPECT_EQ(bad, 0u) << "reports changed under the client or out of order, first at report " << first_bad;
}

TEST_F(Readers, AFirstReportStartingWithFourZeroBytesIsHandedOnLikeAnyOther) {
  Build(1);
  ASSERT_TRUE(table->StartReader(0));
  m.devices.WaitUntilWaiting(1);
  HandOn(0, Report({0, 0, 0, 0, 0x39}));
  const auto relays = Of(LINKMSG_RELAY);
  ASSERT_EQ(relays.size(), 1u);
  EXPECT_EQ(relays[0].report[4], 0x39);
  EXPECT_EQ(Of(LINKMSG_NOTICE).at(0).message.lparam, 0);
}

TEST_F(Readers, ClearOnlyTheFirstTwelveBytesBetweenReports) {
  Build(1);
  ASSERT_TRUE(table->StartReader(0));
  m.devices.WaitUntilWaiting(1);
  HandOn(0, std::vector<std::uint8_t>(32, 0xAA));
  HandOn(0, Report({1, 2, 3, 4}));
  std::vector<std::uint8_t> expected(32, 0xAA);
  for (int i = 0; i < 12; ++i) expected[i] = 0;
  expected[0] = 1, expected[1] = 2, expected[2] = 3, expected[3] = 4;
  EXPECT_EQ(Of(LINKMSG_RELAY).at(1).report, expected);
}

TEST_F(Readers, HandNothingOnWhileNoReadHasCompleted) {
  Build(1);
  ASSERT_TRUE(table->StartReader(0));
  for (std::uint64_t waits = 1; waits <= 10; ++waits) {
    m.devices.WaitUntilWaitsEntered(waits);
    m.world.Advance(kReaderWaitMs);
  }
  m.devices.WaitUntilWaitsEntered(11);
  EXPECT_EQ(m.windows.PendingSendsForThisThread(), 0);
  EXPECT_EQ(m.devices.QueuedReads(0), 1) << "timeouts wait again on the same read";
  EXPECT_TRUE(m.threads.Running(0));
}

TEST_F(Readers, HonourTheStopFlagWithin100msOfVirtualTime) {
  Build(1);
  ASSERT_TRUE(table->StartReader(0));
  m.devices.WaitUntilWaiting(1);
  // The flag alone, with the read left running: only the timeout can end the wait.
  table->Slot(0).stop.store(1);
  m.world.Advance(kReaderWaitMs - 1);
  EXPECT_TRUE(m.threads.Running(0));
  m.world.Advance(1);
  m.threads.WaitUntilReturned(0);
  EXPECT_EQ(m.threads.ExitCode(0), 0);
  EXPECT_EQ(m.devices.OpenHandles(0), 1) << "the reader closed its own handle and left the row's";
  EXPECT_EQ(m.devices.StaleHandleUses(), 0);
}

TEST_F(Readers, StopReaderReturnsAtOnceAndTheCancelledReadEndsTheReader) {
  Build(1);
  ASSERT_TRUE(table->StartReader(0));
  m.devices.WaitUntilWaiting(1);
  EXPECT_TRUE(table->StopReader(0));
  EXPECT_FALSE(table->IsRowOpen(0));
  EXPECT_FALSE(table->StopReader(0)) << "the row is no longer open";
  m.threads.WaitUntilReturned(0);  // no virtual time passes
  EXPECT_EQ(m.threads.ExitCode(0), 0);
  EXPECT_EQ(m.devices.OpenHandles(0), 0);
  EXPECT_EQ(m.devices.StaleHandleUses(), 0);
}

TEST_F(Readers, NeverUseTheRowsHandleAfterStopReaderClosedIt) {
  Build(2);
  ASSERT_TRUE(table->StartReader(0));
  m.devices.WaitUntilWaiting(1);
  m.devices.PushInput(0, Report({7}));
  m.windows.WaitUntilPendingSends(1);  // the reader is inside its relay
  ASSERT_TRUE(table->StopReader(0));
  // The closed value comes back for another device, as it can on the real system.
  ASSERT_TRUE(table->OpenRow(1, false));
  m.windows.Pump();
  m.threads.WaitUntilReturned(0);
  EXPECT_EQ(m.threads.ExitCode(0), 0);
  EXPECT_EQ(m.devices.QueuedReads(1), 0);
  EXPECT_EQ(m.devices.StaleHandleUses(), 0);
  EXPECT_EQ(m.devices.OpenHandles(0), 0);
}

TEST_F(Readers, AReaderWhoseDeviceIsUnpluggedEndsWithExitCode1AndCloseAllClosesTheRow) {
  Build(1);
  ASSERT_TRUE(table->StartReader(0));
  m.devices.WaitUntilWaiting(1);
  m.devices.Unplug(0);
  m.threads.WaitUntilReturned(0);
  EXPECT_EQ(m.threads.ExitCode(0), 1);
  EXPECT_TRUE(table->IsRowOpen(0)) << "the row waits for the next CloseAll";
  table->CloseAll();
  EXPECT_FALSE(table->IsRowOpen(0));
  EXPECT_EQ(m.devices.OpenHandles(0), 0);
}

TEST_F(Readers, RebuildStopsTheReaderAndClosesItsRow) {
  Build(2);
  ASSERT_TRUE(table->StartReader(1));
  m.devices.WaitUntilWaiting(1);
  ASSERT_EQ(table->Rebuild(), 2);
  m.threads.WaitUntilReturned(1);
  EXPECT_EQ(m.threads.ExitCode(1), 0);
  EXPECT_FALSE(table->IsRowOpen(1));
  EXPECT_EQ(m.devices.OpenHandles(1), 0);
}

TEST_F(Readers, ARowAtPosition30IsRefusedAndTouchesNoSlot) {
  Build(31);
  ASSERT_TRUE(table->StartReader(29));
  m.devices.WaitUntilWaiting(1);
  const auto opens_before = m.devices.Opens().size();
  table->RegisterInterfaceNotification(0);  // a different recipient: must not reach the target
  EXPECT_FALSE(table->StartReader(30));
  EXPECT_FALSE(table->StartReader(kReaderSlots + 100));
  EXPECT_EQ(m.devices.Opens().size(), opens_before) << "not even opened";
  EXPECT_EQ(table->ReaderTarget(), target.handle);
  EXPECT_EQ(table->Slot(29).position, 29);
  EXPECT_EQ(table->Slot(29).stop.load(), 0u);
  EXPECT_TRUE(m.threads.Running(29));
  table->CloseAll();
}

TEST_F(Readers, ThirtyReadersRelayTheirOwnReportsAtOnce) {
  Build(kReaderSlots);
  for (int i = 0; i < kReaderSlots; ++i) ASSERT_TRUE(table->StartReader(i)) << i;
  m.devices.WaitUntilWaiting(kReaderSlots);
  for (int i = 0; i < kReaderSlots; ++i) m.devices.PushInput(i, Report({0x01, static_cast<std::uint8_t>(i)}));
  while (RelayCount() < static_cast<std::size_t>(kReaderSlots)) {
    m.windows.WaitUntilPendingSends(1);
    m.windows.Pump();
  }
  std::vector<int> seen(kReaderSlots, 0);
  for (const auto& r : Of(LINKMSG_RELAY)) {
    ASSERT_LT(r.message.wparam, static_cast<std::uintptr_t>(kReaderSlots));
    EXPECT_EQ(r.report[1], r.message.wparam) << "each reader relays its own device's report";
    ++seen[r.message.wparam];
  }
  EXPECT_EQ(seen, std::vector<int>(kReaderSlots, 1));
  table->CloseAll();
  for (int i = 0; i < kReaderSlots; ++i) {
    m.threads.WaitUntilReturned(i);
    EXPECT_EQ(m.threads.ExitCode(i), 0);
  }
}

TEST_F(Readers, StartFailsWhenTheRowCannotBeOpenedOrNoThreadCanBeMade) {
  Build(2);
  m.devices.SetOpenFails(0, true);
  EXPECT_FALSE(table->StartReader(0));
  EXPECT_EQ(m.threads.Starts(0), 0);

  m.threads.SetStartFails(true);
  EXPECT_FALSE(table->StartReader(1));
  EXPECT_EQ(m.devices.OpenHandles(1), 1) << "only the row's handle; the reader's copy is closed";
  m.threads.SetStartFails(false);
}

TEST_F(Readers, OneReaderPerSlotUntilTheFormerHasReturned) {
  Build(1);
  ASSERT_TRUE(table->StartReader(0));
  m.devices.WaitUntilWaiting(1);
  EXPECT_FALSE(table->StartReader(0));
  m.devices.Unplug(0);
  m.threads.WaitUntilReturned(0);
  EXPECT_EQ(m.threads.Starts(0), 1);
}

TEST_F(Readers, DestroyingTheTableEndsAReaderBlockedInItsRelayToTheDestroyingThread) {
  Build(2);
  ASSERT_TRUE(table->StartReader(0));
  ASSERT_TRUE(table->StartReader(1));
  m.devices.WaitUntilWaiting(2);
  m.devices.PushInput(0, Report({5}));
  m.windows.WaitUntilPendingSends(1);
  table.reset();
  EXPECT_EQ(m.threads.Live(), 0);
  EXPECT_EQ(m.devices.OpenHandles(0) + m.devices.OpenHandles(1), 0);
  EXPECT_EQ(m.threads.ExitCode(0), 0);
  EXPECT_EQ(m.threads.ExitCode(1), 0);
}

}  // namespace
}  // namespace kbdlink::testing
