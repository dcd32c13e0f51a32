#pragma once
// The device table: one row per HID interface index of the last enumeration, the reader slots
// and the device-notification registrations.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "kbdlink/device_access.h"
#include "kbdlink/link_types.h"
#include "kbdlink/reader.h"

namespace kbdlink {

class WindowSystem;
class ReaderThreads;

inline constexpr std::size_t kMaxPathLength = 259;
inline constexpr int kProbeListInitialRoom = 40;

struct ProbeEntry {
  std::unique_ptr<char[]> path;  // none when the interface failed its probe
  DeviceHandle handle = kInvalidHandle;
  PreparsedData preparsed = 0;
  HidCaps caps;
  HidAttributes attributes;
};

struct ProbeList {
  std::unique_ptr<ProbeEntry[]> entries;
  int room = 0;
};

struct HidDeviceRow {
  DeviceHandle handle = kNoHandle;
  NotifyHandle notification = 0;
  char path[kMaxPathLength + 1] = {};
  std::uint32_t usage_page = 0;
  std::uint32_t usage = 0;
  std::uint16_t vendor_id = 0;
  std::uint16_t product_id = 0;
  std::uint16_t version_number = 0;
  std::uint16_t feature_button_caps = 0;
  std::uint16_t feature_value_caps = 0;
  std::uint16_t input_report_length = 0;
  std::uint16_t output_report_length = 0;
  std::uint16_t feature_report_length = 0;
  PreparsedData preparsed = 0;
};

// The device-interface broadcast filter: DEV_BROADCAST_DEVICEINTERFACE_A with room for a name.
inline constexpr std::size_t kInterfaceFilterSizeNt = 46;
inline constexpr std::size_t kInterfaceFilterSizeOther = 56;
inline constexpr std::uint32_t kInterfaceFilterRecordSize = 32;
inline constexpr std::size_t kBroadcastNameOffset = 28;
inline constexpr char kInterfaceFilterName[] = "CHIDKBD";

// Laid out as DEV_BROADCAST_HANDLE: 44 bytes where handles are 32 bits, 56 where they are 64.
struct HandleFilter {
  std::uint32_t size = 0;
  std::uint32_t device_type = 0;
  std::uint32_t reserved = 0;
  void* handle = nullptr;
  void* notification = nullptr;
  std::uint8_t event_guid[16] = {};
  std::int32_t name_offset = 0;
  std::uint8_t data[1] = {};
};
static_assert(sizeof(HandleFilter) == (sizeof(void*) == 4 ? 44 : 56));

inline bool IsNtFamily(std::uint32_t version) { return (version & 0x80000000u) == 0; }

class HidDeviceTable {
 public:
  HidDeviceTable(DeviceAccess& devices, WindowSystem& windows, ReaderThreads& threads);
  HidDeviceTable(const HidDeviceTable&) = delete;
  HidDeviceTable& operator=(const HidDeviceTable&) = delete;
  virtual ~HidDeviceTable();

  // Discovery and open.
  int Rebuild();
  int EnumerateHidInterfaces(ProbeList& list);
  bool ProbeInterface(std::string_view path, ProbeEntry& entry);
  bool OpenRow(int position, bool for_reading);
  bool CloseRow(int position);
  bool IsRowOpen(int position) const;
  const HidDeviceRow* Row(int position) const;
  bool RowPathEquals(std::string_view name, int position) const;
  int Count() const { return count_; }

  // Reports and readers.
  bool GetFeatureReport(int position, std::uint8_t* buffer, std::uint32_t capacity);
  bool SetFeatureReport(int position, std::uint8_t* buffer, std::uint32_t length);
  bool StartReader(int position);
  bool StopReader(int position);
  void CloseAll();
  // CloseAll, then every stopped reader seen out, so that no handle of ours on any device
  // stays open: the readers' own handles close as they return.
  void CloseAllAndAwaitReaders();
  const ReaderSlot& Slot(int index) const { return slots_[index]; }
  ReaderSlot& Slot(int index) { return slots_[index]; }
  // True when `report` is the buffer that the reader of `position` is relaying now.
  bool IsRelayBuffer(int position, std::intptr_t report) const;
  WindowHandle ReaderTarget() const { return reader_target_.load(std::memory_order_relaxed); }

  // Device-notification registrations.
  void RegisterInterfaceNotification(WindowHandle recipient);
  void UnregisterInterfaceNotification();
  void RegisterHandleNotification(int position);
  void UnregisterHandleNotification(int position);
  WindowHandle Recipient() const { return recipient_; }
  NotifyHandle InterfaceRegistration() const { return interface_registration_; }
  const std::uint8_t* InterfaceFilter() const { return interface_filter_.get(); }
  std::size_t InterfaceFilterSize() const { return interface_filter_size_; }
  const HandleFilter& LastHandleFilter() const { return handle_filter_; }

 private:
  static void ReleaseEntry(ProbeEntry& entry, DeviceAccess& devices);
  void ReleaseProbeList(ProbeList& list);

  WindowHandle recipient_ = 0;
  std::int32_t count_ = 0;
  std::unique_ptr<HidDeviceRow[]> rows_;
  ProbeList probe_;
  std::unique_ptr<std::uint8_t[]> interface_filter_;
  std::size_t interface_filter_size_ = 0;
  HandleFilter handle_filter_;
  NotifyHandle interface_registration_ = 0;
  ReaderSlot slots_[kReaderSlots];

  std::atomic<WindowHandle> reader_target_{0};
  DeviceAccess& devices_;
  WindowSystem& windows_;
  ReaderThreads& threads_;
};

}  // namespace kbdlink
