#pragma once
#include <cstdint>

// The battery poll's fixed values: which keyboard, which collections, which reports.
namespace shell::battery_poll {

#ifndef LEDGLOW_KEYBOARD_VENDOR_ID
#define LEDGLOW_KEYBOARD_VENDOR_ID 0x0461
#endif
#ifndef LEDGLOW_KEYBOARD_PRODUCT_ID
#define LEDGLOW_KEYBOARD_PRODUCT_ID 0x4D7A
#endif

// The supported keyboard's USB identity, a setting of the build.
inline constexpr std::uint32_t kKeyboardVendorId = LEDGLOW_KEYBOARD_VENDOR_ID;
inline constexpr std::uint32_t kKeyboardProductId = LEDGLOW_KEYBOARD_PRODUCT_ID;
inline constexpr std::uint32_t kUsagePage = 0xFF01;

struct Query {
  std::uint32_t usage;
  std::uint8_t report_id;
};
inline constexpr Query kQueryA{2, 6};
inline constexpr Query kQueryB{1, 5};
inline constexpr std::size_t kRequestSize = 16;

// The controller's one-shot after creation; its tick runs the first round.
inline constexpr std::uint32_t kFirstRoundDelayMs = 2000;

}  // namespace shell::battery_poll
