#pragma once
// Input-report readers: one slot per row position below kReaderSlots, one thread per slot.
#include <atomic>
#include <cstdint>

#include "kbdlink/link_types.h"

namespace kbdlink {

class DeviceAccess;
class WindowSystem;

struct ReaderSlot {
  // Written by the owner thread, polled by the reader: nothing else orders around it.
  std::atomic<std::uint32_t> stop{0};
  // The reader's own duplicate of the row's handle; the reader closes it when it leaves.
  std::atomic<DeviceHandle> device{kNoHandle};
  std::int32_t position = -1;
  // The report buffer the reader is relaying now, none between relays: a relay that points
  // anywhere else does not come from this reader.
  std::atomic<const std::uint8_t*> relaying{nullptr};

  // Fixed at construction; the reader reaches nothing else of the library.
  DeviceAccess* devices = nullptr;
  WindowSystem* windows = nullptr;
  const std::atomic<WindowHandle>* target = nullptr;
};

// The reader's loop. Returns 0 after a stop, 1 when a read cannot be queued; either way with
// no read outstanding and its handle closed.
int ReaderThread(ReaderSlot& slot);

}  // namespace kbdlink
