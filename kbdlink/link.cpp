#include "kbdlink/link.h"

#include <cstring>

#include "kbdlink/device_access.h"
#include "kbdlink/reader_threads.h"

namespace kbdlink {
namespace {

// A broadcast name longer than this is not an interface path of ours.
constexpr std::size_t kMaxBroadcastName = 32 * 1024;

struct BroadcastHeader {
  std::uint32_t size = 0;
  std::uint32_t device_type = 0;
  std::uint32_t reserved = 0;
};

// The size field first: a record shorter than the header is read no further and ignored.
BroadcastHeader ReadHeader(std::intptr_t broadcast) {
  BroadcastHeader h;
  if (broadcast == 0) return h;
  std::uint32_t size = 0;
  std::memcpy(&size, reinterpret_cast<const void*>(broadcast), sizeof size);
  if (size >= sizeof h) std::memcpy(&h, reinterpret_cast<const void*>(broadcast), sizeof h);
  return h;
}

// The interface name, bounded by the record's own size.
std::string_view BroadcastName(std::intptr_t broadcast, const BroadcastHeader& h) {
  if (h.size <= kBroadcastNameOffset) return {};
  const char* name = reinterpret_cast<const char*>(broadcast) + kBroadcastNameOffset;
  std::size_t room = h.size - kBroadcastNameOffset;
  if (room > kMaxBroadcastName) room = kMaxBroadcastName;
  return std::string_view(name, strnlen(name, room));
}

bool IsAlternateIdentity(const HidDeviceRow& row) {
  return row.vendor_id == ALT_VENDOR_ID && row.product_id == ALT_PRODUCT_ID;
}

}  // namespace

bool RowPasses(const HidDeviceRow& row, Selection selection, const LinkConfig& config,
               const SelectionArguments& arguments) {
  const SelectionRule& rule = kSelectionRules[static_cast<int>(selection)];
  const bool configured_usages = rule.usages == Source::kConfigured;
  const std::uint32_t page = configured_usages ? config.usage_page : arguments.usage_page;
  const std::uint32_t usage = configured_usages ? config.usage : arguments.usage;
  if (row.usage_page != page || row.usage != usage) return false;
  if (IsAlternateIdentity(row)) return true;

  const bool configured_ids = rule.identity == Source::kConfigured;
  const std::uint32_t vendor = configured_ids ? config.vendor_id : arguments.vendor_id;
  const std::uint32_t product = configured_ids ? config.product_id : arguments.product_id;
  // Compared zero-extended: a wanted id above 0xFFFF never matches.
  if (std::uint32_t{row.vendor_id} != vendor) return false;
  switch (rule.product) {
    case ProductRule::kExact:
      return std::uint32_t{row.product_id} == product;
    case ProductRule::kExactOrReaderExtras:
      if (std::uint32_t{row.product_id} == product) return true;
      for (std::uint16_t extra : READER_EXTRA_PRODUCT_IDS) {
        if (row.product_id == extra) return true;
      }
      return false;
    case ProductRule::kAny:
      return true;
  }
  return false;
}

Link::Link(DeviceAccess& devices, WindowSystem& windows, ReaderThreads& threads)
    : windows_(windows), table_(devices, windows, threads) {}

Link::~Link() {
  // The window stays, but none of its messages may reach this object or its code any more.
  windows_.RetireLinkWindow(hidden_window_);
}

bool Link::CreateHiddenWindow() {
  if (!windows_.RegisterLinkClass(*this)) return false;
  const WindowHandle w = windows_.CreateLinkWindow();
  if (w != 0) hidden_window_ = w;
  return w != 0;
}

int Link::InitDriver(WindowHandle client_window, std::uint32_t input_message, std::uint32_t vendor_id,
                     std::uint32_t product_id, std::uint32_t usage_page, std::uint32_t usage) {
  config_ = LinkConfig{client_window, input_message, vendor_id, product_id, usage_page, usage};
  CreateHiddenWindow();  // a second call finds the class registered and keeps the first window
  table_.RegisterInterfaceNotification(hidden_window_);
  DeviceArrival();
  return 1;
}

int Link::DeviceArrival() {
  table_.Rebuild();
  matched_ = MatchedRows{};
  for (int i = 0; i < table_.Count() && matched_.count < kMaxMatchedRows; ++i) {
    if (RowPasses(*table_.Row(i), Selection::kDeviceArrival, config_, {})) matched_.positions[matched_.count++] = i;
  }
  const std::uint32_t message = matched_.count > 0 ? LINKMSG_PRESENT : LINKMSG_ABSENT;
  return windows_.Post(config_.client_window, message, 0, 0) ? 1 : 0;
}

int Link::RemoveDevice() {
  table_.CloseAll();
  return 1;
}

int Link::ReadDevice(std::uint32_t usage_page, std::uint32_t usage) {
  const SelectionArguments arguments{0, 0, usage_page, usage};
  int starts = 0;
  for (int i = 0; i < table_.Count() && starts < kMaxReaderStarts; ++i) {
    if (!RowPasses(*table_.Row(i), Selection::kReadDevice, config_, arguments)) continue;
    table_.StartReader(i);
    ++starts;  // counted whether or not the reader started
  }
  return 1;
}

int Link::GetFeatures(std::uint32_t vendor_id, std::uint32_t product_id, std::uint32_t usage_page,
                      std::uint32_t usage, std::uint8_t* buffer) {
  if (buffer == nullptr) return 1;
  const SelectionArguments arguments{vendor_id, product_id, usage_page, usage};
  for (int i = 0; i < table_.Count(); ++i) {
    const HidDeviceRow& row = *table_.Row(i);
    if (!RowPasses(row, Selection::kGetFeatures, config_, arguments)) continue;
    const bool was_open = table_.IsRowOpen(i);
    if (!was_open && !table_.OpenRow(i, false)) continue;
    // A failed transfer may still scribble: only a successful read reaches the caller's buffer.
    std::uint8_t scratch[kFeatureCapacity];
    std::memcpy(scratch, buffer, sizeof scratch);
    if (table_.GetFeatureReport(i, scratch, kFeatureCapacity)) std::memcpy(buffer, scratch, row.feature_report_length);
    if (!was_open) table_.CloseRow(i);
  }
  return 1;
}

int Link::SetKbdFeatures(std::uint32_t usage_page, std::uint32_t usage, const std::uint8_t* report) {
  if (report == nullptr) return 1;
  std::uint8_t bytes[kFeatureWriteLength];
  std::memcpy(bytes, report, sizeof bytes);
  const SelectionArguments arguments{0, 0, usage_page, usage};
  for (int i = 0; i < table_.Count(); ++i) {
    if (!RowPasses(*table_.Row(i), Selection::kSetKbdFeatures, config_, arguments)) continue;
    const bool was_open = table_.IsRowOpen(i);
    if (!was_open && !table_.OpenRow(i, false)) continue;
    std::uint8_t copy[kFeatureWriteLength];
    std::memcpy(copy, bytes, sizeof copy);
    table_.SetFeatureReport(i, copy, kFeatureWriteLength);
    if (!was_open) table_.CloseRow(i);
  }
  return 1;
}

std::intptr_t Link::LinkWindowProc(WindowHandle w, std::uint32_t message, std::uintptr_t wparam,
                                   std::intptr_t lparam) {
  const std::uintptr_t low = wparam & 0xFFFF;
  switch (message) {
    case kWmCreate:
      return 0;
    case kWmDestroy:
      windows_.PostQuit(0);
      return 0;
    case kWmDeviceChange:
      OnDeviceChange(static_cast<std::uint32_t>(low), lparam);
      return 0;  // also lets a query-remove proceed
    case LINKMSG_RELAY:
      if (RelayIsOurs(low, lparam)) windows_.Send(config_.client_window, config_.input_message, low, lparam);
      return 0;
    default:
      return windows_.DefaultProc(w, message, low, lparam);
  }
}

// The window can be found by anyone: a relay is passed on only when this thread sent it, or
// when it comes from a reader of ours pointing at the report that reader is relaying now. A
// posted relay never comes from a reader.
bool Link::RelayIsOurs(std::uintptr_t position, std::intptr_t report) {
  switch (windows_.CurrentDelivery()) {
    case Delivery::kThisThread:
      return true;
    case Delivery::kOtherThread:
      return table_.IsRelayBuffer(static_cast<int>(position), report);
    case Delivery::kPosted:
      return false;
  }
  return false;
}

void Link::OnDeviceChange(std::uint32_t event, std::intptr_t broadcast) {
  switch (event) {
    case kDbtDeviceArrival:
      if (ReadHeader(broadcast).device_type == kDbtDevtypDeviceInterface) {
        table_.CloseAll();
        DeviceArrival();
      }
      break;
    case kDbtDeviceQueryRemove:
      // The system removes the device only when no handle to it is left open once this returns.
      table_.CloseAllAndAwaitReaders();
      break;
    case kDbtDeviceRemoveComplete:
      if (ReadHeader(broadcast).device_type == kDbtDevtypDeviceInterface) RemovalScan(broadcast);
      break;
    default:
      break;
  }
}

void Link::RemovalScan(std::intptr_t broadcast) {
  const std::string_view name = BroadcastName(broadcast, ReadHeader(broadcast));
  if (name.empty()) return;  // a removal without a name cannot be told apart
  // The count is read afresh each step: a rebuild replaces the list under the scan.
  for (int i = 0; i < matched_.count; ++i) {
    if (table_.RowPathEquals(name, matched_.positions[i])) {
      table_.CloseAllAndAwaitReaders();
      DeviceArrival();
    }
  }
}

}  // namespace kbdlink
