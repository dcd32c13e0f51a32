#pragma once
// The link library's process-wide state and its six operations, with the hidden window's
// procedure. The DLL holds one Link over the Win32 backends; tests make their own.
#include <cstdint>

#include "kbdlink/device_table.h"
#include "kbdlink/link_types.h"
#include "kbdlink/window_system.h"

namespace kbdlink {

class DeviceAccess;
class ReaderThreads;

struct LinkConfig {
  WindowHandle client_window = 0;
  std::uint32_t input_message = LINKMSG_INPUT_DEFAULT;
  std::uint32_t vendor_id = 0;
  std::uint32_t product_id = 0;
  std::uint32_t usage_page = 0;
  std::uint32_t usage = 0;
};

struct MatchedRows {
  std::int32_t count = 0;
  std::int32_t positions[kMaxMatchedRows] = {};
};

// Which export a selection serves; indexes kSelectionRules.
enum class Selection { kDeviceArrival, kReadDevice, kGetFeatures, kSetKbdFeatures };

// What a row is compared with: the values the export's caller passed or the configured ones.
enum class Source { kConfigured, kArguments };
enum class ProductRule {
  kExact,                 // the product id equals the wanted one
  kExactOrReaderExtras,   // ... or is one of READER_EXTRA_PRODUCT_IDS
  kAny,                   // any product id of the wanted vendor
};

struct SelectionRule {
  Source usages;
  Source identity;
  ProductRule product;
  int limit;  // 0: every matching row
};

// One row per Selection; the alternate identity passes every rule whose usages match.
inline constexpr SelectionRule kSelectionRules[] = {
    /* DeviceArrival  */ {Source::kConfigured, Source::kConfigured, ProductRule::kExact, kMaxMatchedRows},
    /* ReadDevice     */ {Source::kArguments, Source::kConfigured, ProductRule::kExactOrReaderExtras, kMaxReaderStarts},
    /* GetFeatures    */ {Source::kArguments, Source::kArguments, ProductRule::kExact, 0},
    /* SetKbdFeatures */ {Source::kArguments, Source::kConfigured, ProductRule::kAny, 0},
};

// The values a call passed; ids and usages are 32-bit so that values above 0xFFFF never match.
struct SelectionArguments {
  std::uint32_t vendor_id = 0;
  std::uint32_t product_id = 0;
  std::uint32_t usage_page = 0;
  std::uint32_t usage = 0;
};

bool RowPasses(const HidDeviceRow& row, Selection selection, const LinkConfig& config,
               const SelectionArguments& arguments);

class Link final : public WindowProcedure {
 public:
  Link(DeviceAccess& devices, WindowSystem& windows, ReaderThreads& threads);
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;
  ~Link();

  int InitDriver(WindowHandle client_window, std::uint32_t input_message, std::uint32_t vendor_id,
                 std::uint32_t product_id, std::uint32_t usage_page, std::uint32_t usage);
  int SetKbdFeatures(std::uint32_t usage_page, std::uint32_t usage, const std::uint8_t* report);
  int RemoveDevice();
  int ReadDevice(std::uint32_t usage_page, std::uint32_t usage);
  int DeviceArrival();
  int GetFeatures(std::uint32_t vendor_id, std::uint32_t product_id, std::uint32_t usage_page,
                  std::uint32_t usage, std::uint8_t* buffer);

  std::intptr_t LinkWindowProc(WindowHandle w, std::uint32_t message, std::uintptr_t wparam,
                               std::intptr_t lparam) override;

  const LinkConfig& Config() const { return config_; }
  const MatchedRows& Matched() const { return matched_; }
  HidDeviceTable& Table() { return table_; }
  WindowHandle HiddenWindow() const { return hidden_window_; }

 private:
  bool CreateHiddenWindow();
  bool RelayIsOurs(std::uintptr_t position, std::intptr_t report);
  void OnDeviceChange(std::uint32_t event, std::intptr_t broadcast);
  void RemovalScan(std::intptr_t broadcast);

  WindowSystem& windows_;
  LinkConfig config_;
  MatchedRows matched_;
  WindowHandle hidden_window_ = 0;
  HidDeviceTable table_;
};

}  // namespace kbdlink
