#include "kbdlink/reader.h"

#include <cstring>

#include "kbdlink/device_access.h"
#include "kbdlink/window_system.h"

namespace kbdlink {
namespace {

// Cleared before each read completes; the bytes after them never are.
constexpr std::size_t kClearedBytes = 12;

std::uint32_t FirstWord(const std::uint8_t* b) {
  return std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 |
         std::uint32_t{b[3]} << 24;
}

}  // namespace

int ReaderThread(ReaderSlot& slot) {
  const std::int32_t position = slot.position;
  const DeviceHandle device = slot.device.exchange(kNoHandle);
  DeviceAccess& io = *slot.devices;
  WindowSystem& windows = *slot.windows;
  auto stopped = [&slot] { return slot.stop.load(std::memory_order_relaxed) != 0; };

  PendingRead read;
  std::memset(&read, 0, sizeof read);
  // The report completed last, copied out of the read's buffer: the next read, queued before
  // it is handed on, may complete into that buffer at any moment, even during the relay.
  std::uint8_t relay[kReportBufferSize] = {};
  std::uint64_t counter = 0;
  bool outstanding = false;

  // The read's record and buffer are on this stack: never leave with the read still running.
  auto leave = [&](int exit_code) {
    if (outstanding) {
      io.CancelRead(device, read);
      while (io.WaitForRead(read, kReaderWaitMs) != ReadWait::kCompleted) {
      }
    }
    io.Close(device);
    return exit_code;
  };

  if (stopped()) return leave(0);
  for (;;) {
    // Cleared before the read that fills it is queued: once queued, the buffer is the device's.
    std::memset(read.buffer, 0, kClearedBytes);
    if (!io.QueueRead(device, read)) return leave(1);
    outstanding = true;
    // StopReader sets the flag before it cancels: a stop that this check misses comes with a
    // cancel that reaches the read just queued, so the wait below ends at once.
    if (stopped()) return leave(0);
    // The report read last is handed on while the next read is already outstanding.
    if (counter > 0 || FirstWord(relay) != 0) {
      const WindowHandle target = slot.target->load(std::memory_order_relaxed);
      slot.relaying.store(relay, std::memory_order_release);
      windows.Send(target, LINKMSG_RELAY, static_cast<std::uintptr_t>(position),
                   reinterpret_cast<std::intptr_t>(relay));
      slot.relaying.store(nullptr, std::memory_order_release);
      windows.Post(target, LINKMSG_NOTICE, static_cast<std::uintptr_t>(position),
                   static_cast<std::intptr_t>(FirstWord(relay)));
    }
    while (io.WaitForRead(read, kReaderWaitMs) != ReadWait::kCompleted) {
      if (stopped()) return leave(0);
    }
    outstanding = false;
    std::memcpy(relay, read.buffer, sizeof relay);
    ++counter;
    if (stopped()) return leave(0);
  }
}

}  // namespace kbdlink
