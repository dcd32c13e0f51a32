#pragma once
// Values shared by the link library's portable code and its backends. No platform header here:
// handles travel as integers and each backend converts them at its own edge.
#include <cstdint>

namespace kbdlink {

using DeviceHandle = std::uintptr_t;   // 0 = none
using PreparsedData = std::uintptr_t;  // 0 = none
using WindowHandle = std::uintptr_t;   // 0 = none
using NotifyHandle = std::uintptr_t;   // a device-notification registration, 0 = none
using InterfaceSet = std::uintptr_t;   // a backend's enumeration of the HID interface set

inline constexpr DeviceHandle kNoHandle = 0;
// The platform's invalid handle value (all bits set), left in a row after a failed open.
inline constexpr DeviceHandle kInvalidHandle = ~DeviceHandle{0};

// Messages to the client window.
inline constexpr std::uint32_t LINKMSG_INPUT_DEFAULT = 0x500;
inline constexpr std::uint32_t LINKMSG_PRESENT = 0x600;
inline constexpr std::uint32_t LINKMSG_ABSENT = 0x700;
// Messages from the readers to the hidden window; they never leave the library.
inline constexpr std::uint32_t LINKMSG_NOTICE = 0x501;
inline constexpr std::uint32_t LINKMSG_RELAY = 0x502;

// The second keyboard identity every selection accepts.
inline constexpr std::uint16_t ALT_VENDOR_ID = 0x0461;
inline constexpr std::uint16_t ALT_PRODUCT_ID = 0x4D7A;
inline constexpr std::uint16_t READER_EXTRA_PRODUCT_IDS[] = {0x071E, 0x071F};

inline constexpr int kReaderSlots = 30;
inline constexpr int kMaxMatchedRows = 10;
inline constexpr int kMaxReaderStarts = 10;
inline constexpr std::uint32_t kReportBufferSize = 32;
inline constexpr std::uint32_t kFeatureCapacity = 9;     // GetFeatures' buffer
inline constexpr std::uint32_t kFeatureWriteLength = 5;  // SetKbdFeatures' report
inline constexpr std::uint32_t kTransferPauseMs = 1;
inline constexpr std::uint32_t kReaderWaitMs = 100;

// Window messages and device-change events the hidden window handles.
inline constexpr std::uint32_t kWmCreate = 0x0001;
inline constexpr std::uint32_t kWmDestroy = 0x0002;
inline constexpr std::uint32_t kWmDeviceChange = 0x0219;
inline constexpr std::uint32_t kDbtDeviceArrival = 0x8000;
inline constexpr std::uint32_t kDbtDeviceQueryRemove = 0x8001;
inline constexpr std::uint32_t kDbtDeviceRemoveComplete = 0x8004;
inline constexpr std::uint32_t kDbtDevtypDeviceInterface = 5;
inline constexpr std::uint32_t kDbtDevtypHandle = 6;

}  // namespace kbdlink
