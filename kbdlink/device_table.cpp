#include "kbdlink/device_table.h"

#include <cctype>
#include <cstring>
#include <new>

#include "kbdlink/reader_threads.h"
#include "kbdlink/window_system.h"

namespace kbdlink {
namespace {

// A probe list past this many entries is treated like a failed allocation.
constexpr int kMaxProbeRoom = 1 << 20;

class InterfaceSetCloser {
 public:
  InterfaceSetCloser(DeviceAccess& devices, InterfaceSet set) : devices_(devices), set_(set) {}
  ~InterfaceSetCloser() { devices_.CloseInterfaceSet(set_); }
  InterfaceSetCloser(const InterfaceSetCloser&) = delete;
  InterfaceSetCloser& operator=(const InterfaceSetCloser&) = delete;

 private:
  DeviceAccess& devices_;
  InterfaceSet set_;
};

bool Grow(ProbeList& list) {
  const int room = list.room == 0 ? kProbeListInitialRoom : list.room * 2;
  if (room > kMaxProbeRoom) return false;
  std::unique_ptr<ProbeEntry[]> grown(new (std::nothrow) ProbeEntry[room]);
  if (!grown) return false;
  for (int i = 0; i < list.room; ++i) grown[i] = std::move(list.entries[i]);
  list.entries = std::move(grown);
  list.room = room;
  return true;
}

void PutU32(std::uint8_t* at, std::uint32_t v) { std::memcpy(at, &v, sizeof v); }

}  // namespace

HidDeviceTable::HidDeviceTable(DeviceAccess& devices, WindowSystem& windows, ReaderThreads& threads)
    : devices_(devices), windows_(windows), threads_(threads) {
  for (ReaderSlot& slot : slots_) {
    slot.devices = &devices_;
    slot.windows = &windows_;
    slot.target = &reader_target_;
  }
}

HidDeviceTable::~HidDeviceTable() {
  CloseAll();
  threads_.Shutdown();
  rows_.reset();
  count_ = 0;
  UnregisterInterfaceNotification();
}

void HidDeviceTable::ReleaseEntry(ProbeEntry& entry, DeviceAccess& devices) {
  if (entry.handle != kInvalidHandle && entry.handle != kNoHandle) devices.Close(entry.handle);
  if (entry.preparsed != 0) devices.FreePreparsedData(entry.preparsed);
  entry = ProbeEntry{};
}

void HidDeviceTable::ReleaseProbeList(ProbeList& list) {
  for (int i = 0; i < list.room; ++i) ReleaseEntry(list.entries[i], devices_);
  list.entries.reset();
  list.room = 0;
}

int HidDeviceTable::EnumerateHidInterfaces(ProbeList& list) {
  InterfaceSet set = 0;
  if (!devices_.OpenInterfaceSet(set)) return 0;
  InterfaceSetCloser closer(devices_, set);

  ReleaseProbeList(list);
  if (!Grow(list)) return 0;
  for (int index = 0;; ++index) {
    if (index >= list.room && !Grow(list)) {
      ReleaseProbeList(list);
      return 0;
    }
    switch (devices_.FindInterface(set, static_cast<std::uint32_t>(index))) {
      case InterfaceLookup::kFound: {
        std::string path;
        if (!devices_.InterfacePath(set, path)) {
          ReleaseProbeList(list);
          return 0;
        }
        ProbeInterface(path, list.entries[index]);
        break;
      }
      case InterfaceLookup::kNoMoreItems:
        return index;
      case InterfaceLookup::kFailed:
        break;  // the entry stays empty and keeps its position
    }
  }
}

bool HidDeviceTable::ProbeInterface(std::string_view path, ProbeEntry& entry) {
  entry = ProbeEntry{};
  if (path.size() > kMaxPathLength) return false;
  std::unique_ptr<char[]> copy(new (std::nothrow) char[path.size() + 1]);
  if (!copy) return false;
  std::memcpy(copy.get(), path.data(), path.size());
  copy[path.size()] = '\0';

  const DeviceHandle h = devices_.Open(copy.get(), OpenMode::kProbe);
  if (h == kInvalidHandle) return false;
  PreparsedData preparsed = 0;
  HidAttributes attributes;
  HidCaps caps;
  const bool ok = devices_.GetPreparsedData(h, preparsed) &&
                  devices_.GetAttributes(h, attributes) && devices_.GetCaps(preparsed, caps);
  if (preparsed != 0) devices_.FreePreparsedData(preparsed);
  if (!ok) {
    devices_.Close(h);
    return false;
  }
  entry.path = std::move(copy);
  entry.handle = h;
  entry.attributes = attributes;
  entry.caps = caps;
  return true;
}

int HidDeviceTable::Rebuild() {
  CloseAll();
  rows_.reset();
  count_ = 0;

  int n = EnumerateHidInterfaces(probe_);
  if (n > 0) {
    rows_.reset(new (std::nothrow) HidDeviceRow[n]());
    if (!rows_) n = 0;
  }
  for (int i = 0; i < n; ++i) {
    const ProbeEntry& entry = probe_.entries[i];
    if (!entry.path) continue;  // an interface that failed its probe: an empty row
    HidDeviceRow& row = rows_[i];
    std::strncpy(row.path, entry.path.get(), kMaxPathLength);
    row.usage_page = entry.caps.usage_page;
    row.usage = entry.caps.usage;
    row.vendor_id = entry.attributes.vendor_id;
    row.product_id = entry.attributes.product_id;
    row.version_number = entry.attributes.version_number;
    row.feature_button_caps = entry.caps.number_feature_button_caps;
    row.feature_value_caps = entry.caps.number_feature_value_caps;
    row.input_report_length = entry.caps.input_report_length;
    row.output_report_length = entry.caps.output_report_length;
    row.feature_report_length = entry.caps.feature_report_length;
  }
  count_ = n;
  ReleaseProbeList(probe_);
  return n;
}

bool HidDeviceTable::OpenRow(int position, bool for_reading) {
  if (position < 0 || position >= count_ || rows_[position].path[0] == '\0') return false;
  if (IsRowOpen(position)) return true;  // another open would leak the handle it holds
  HidDeviceRow& row = rows_[position];
  row.handle = devices_.Open(row.path, for_reading ? OpenMode::kReadOverlapped : OpenMode::kQueryOnly);
  if (row.handle == kInvalidHandle) return false;
  PreparsedData preparsed = 0;
  if (!devices_.GetPreparsedData(row.handle, preparsed)) {
    CloseRow(position);
    return false;
  }
  row.preparsed = preparsed;
  return true;
}

bool HidDeviceTable::CloseRow(int position) {
  if (!IsRowOpen(position)) return false;
  HidDeviceRow& row = rows_[position];
  if (row.preparsed != 0) devices_.FreePreparsedData(row.preparsed);
  row.preparsed = 0;
  devices_.Close(row.handle);
  row.handle = kNoHandle;
  return true;
}

bool HidDeviceTable::IsRowOpen(int position) const {
  if (position < 0 || position >= count_) return false;
  const DeviceHandle h = rows_[position].handle;
  return h != kNoHandle && h != kInvalidHandle;
}

const HidDeviceRow* HidDeviceTable::Row(int position) const {
  if (position < 0 || position >= count_) return nullptr;
  return &rows_[position];
}

bool HidDeviceTable::RowPathEquals(std::string_view name, int position) const {
  const HidDeviceRow* row = Row(position);
  if (row == nullptr) return false;
  const std::size_t length = std::strlen(row->path);
  if (name.size() != length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    const auto a = static_cast<unsigned char>(name[i]);
    const auto b = static_cast<unsigned char>(row->path[i]);
    if (std::tolower(a) != std::tolower(b)) return false;
  }
  return true;
}

bool HidDeviceTable::GetFeatureReport(int position, std::uint8_t* buffer, std::uint32_t capacity) {
  const HidDeviceRow* row = Row(position);
  if (row == nullptr || buffer == nullptr) return false;
  if (row->feature_report_length > capacity) return false;
  const bool ok = devices_.GetFeature(row->handle, buffer, row->feature_report_length);
  devices_.Pause(kTransferPauseMs);
  return ok;
}

bool HidDeviceTable::SetFeatureReport(int position, std::uint8_t* buffer, std::uint32_t length) {
  const HidDeviceRow* row = Row(position);
  if (row == nullptr || buffer == nullptr) return false;
  const bool ok = devices_.SetFeature(row->handle, buffer, length);
  devices_.Pause(kTransferPauseMs);
  return ok;
}

bool HidDeviceTable::StartReader(int position) {
  if (position < 0 || position >= count_) return false;
  // Only rows below kReaderSlots have a slot; others get no reader and touch no slot.
  if (position >= kReaderSlots) return false;
  // A reader that was stopped but has not yet returned (it may be blocked relaying to this
  // thread) is seen out first; one still running unstopped keeps its slot.
  if (threads_.Running(position) &&
      (slots_[position].stop.load(std::memory_order_relaxed) == 0 || !threads_.AwaitReturn(position)))
    return false;
  if (!IsRowOpen(position)) OpenRow(position, true);
  if (!IsRowOpen(position)) return false;
  RegisterHandleNotification(position);

  // The reader works on its own handle, so closing the row never leaves it holding a value
  // that the system may hand out again.
  const DeviceHandle own = devices_.Duplicate(rows_[position].handle);
  if (own == kInvalidHandle) return false;
  ReaderSlot& slot = slots_[position];
  slot.position = position;
  slot.stop.store(0, std::memory_order_relaxed);
  slot.device.store(own, std::memory_order_relaxed);
  reader_target_.store(recipient_, std::memory_order_relaxed);
  if (threads_.Start(position, slot)) return true;
  devices_.Close(slot.device.exchange(kNoHandle));
  return false;
}

bool HidDeviceTable::StopReader(int position) {
  if (!IsRowOpen(position)) return false;
  if (position < kReaderSlots) slots_[position].stop.store(1, std::memory_order_relaxed);
  // The reader's read runs on its duplicate, which closing the row does not end.
  devices_.CancelReads(rows_[position].handle);
  UnregisterHandleNotification(position);
  CloseRow(position);
  return true;
}

bool HidDeviceTable::IsRelayBuffer(int position, std::intptr_t report) const {
  if (position < 0 || position >= kReaderSlots || report == 0) return false;
  return reinterpret_cast<std::intptr_t>(slots_[position].relaying.load(std::memory_order_acquire)) == report;
}

void HidDeviceTable::CloseAll() {
  for (int position = 0; position < count_; ++position) StopReader(position);
  threads_.ReapFinished();
}

void HidDeviceTable::CloseAllAndAwaitReaders() {
  CloseAll();
  threads_.AwaitReturn(ReaderThreads::kEveryReader);
  threads_.ReapFinished();
}

void HidDeviceTable::RegisterInterfaceNotification(WindowHandle recipient) {
  // A repeated InitDriver drops the earlier registration: two would deliver every change twice.
  UnregisterInterfaceNotification();
  recipient_ = recipient;
  const bool nt = IsNtFamily(windows_.Version());
  const std::size_t size = nt ? kInterfaceFilterSizeNt : kInterfaceFilterSizeOther;
  interface_filter_.reset(new (std::nothrow) std::uint8_t[size]());
  if (!interface_filter_) return;
  interface_filter_size_ = size;
  std::uint8_t* f = interface_filter_.get();
  PutU32(f + 0, kInterfaceFilterRecordSize);
  PutU32(f + 4, kDbtDevtypDeviceInterface);
  devices_.HidInterfaceClass(f + 12);
  if (nt) {
    std::memcpy(f + kBroadcastNameOffset, kInterfaceFilterName, sizeof kInterfaceFilterName);
    interface_registration_ = windows_.RegisterNotification(recipient, f);
  }
}

void HidDeviceTable::UnregisterInterfaceNotification() {
  if (recipient_ == 0 && !interface_filter_) return;
  if (interface_registration_ != 0) windows_.UnregisterNotification(interface_registration_);
  interface_registration_ = 0;
  recipient_ = 0;
  interface_filter_.reset();
  interface_filter_size_ = 0;
}

void HidDeviceTable::RegisterHandleNotification(int position) {
  if (!IsRowOpen(position)) return;
  HidDeviceRow& row = rows_[position];
  if (row.notification != 0) windows_.UnregisterNotification(row.notification);
  handle_filter_ = HandleFilter{};
  handle_filter_.size = sizeof(HandleFilter);
  handle_filter_.device_type = kDbtDevtypHandle;
  handle_filter_.handle = reinterpret_cast<void*>(row.handle);
  row.notification = windows_.RegisterNotification(recipient_, &handle_filter_);
}

void HidDeviceTable::UnregisterHandleNotification(int position) {
  if (!IsRowOpen(position)) return;
  HidDeviceRow& row = rows_[position];
  if (row.notification != 0) windows_.UnregisterNotification(row.notification);
  row.notification = 0;
}

}  // namespace kbdlink
