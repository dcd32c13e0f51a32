#include "kbdlink/win32/win32_devices.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "kbdlink/win32/hid_headers.h"

namespace kbdlink::win32 {
namespace {

struct SetState {
  HDEVINFO info = INVALID_HANDLE_VALUE;
  SP_DEVICE_INTERFACE_DATA found{};
};

HANDLE AsHandle(DeviceHandle h) { return reinterpret_cast<HANDLE>(h); }
SetState* AsSet(InterfaceSet s) { return reinterpret_cast<SetState*>(s); }

// The read's completion needs no work: the reader learns of it from its alertable wait.
VOID CALLBACK ReadDone(DWORD, DWORD, LPOVERLAPPED) {}

static_assert(sizeof(OVERLAPPED) <= sizeof(PendingRead::platform));
static_assert(sizeof(HANDLE) == sizeof(DeviceHandle));

}  // namespace

void Win32Devices::HidInterfaceClass(std::uint8_t guid[16]) {
  GUID g;
  HidD_GetHidGuid(&g);
  std::memcpy(guid, &g, sizeof g);
}

bool Win32Devices::OpenInterfaceSet(InterfaceSet& set) {
  GUID g;
  HidD_GetHidGuid(&g);
  std::unique_ptr<SetState> state(new (std::nothrow) SetState);
  if (!state) return false;
  state->info = SetupDiGetClassDevsA(&g, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (state->info == INVALID_HANDLE_VALUE) return false;
  set = reinterpret_cast<InterfaceSet>(state.release());
  return true;
}

void Win32Devices::CloseInterfaceSet(InterfaceSet set) {
  std::unique_ptr<SetState> state(AsSet(set));
  if (state && state->info != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(state->info);
}

InterfaceLookup Win32Devices::FindInterface(InterfaceSet set, std::uint32_t index) {
  SetState* state = AsSet(set);
  GUID g;
  HidD_GetHidGuid(&g);
  state->found = SP_DEVICE_INTERFACE_DATA{};
  // The record's own size: 28 bytes in a 32-bit build, 32 in a 64-bit one.
  state->found.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
  if (SetupDiEnumDeviceInterfaces(state->info, nullptr, &g, index, &state->found)) return InterfaceLookup::kFound;
  return GetLastError() == ERROR_NO_MORE_ITEMS ? InterfaceLookup::kNoMoreItems : InterfaceLookup::kFailed;
}

bool Win32Devices::InterfacePath(InterfaceSet set, std::string& path) {
  SetState* state = AsSet(set);
  DWORD needed = 0;
  // Asked without a buffer, the call fails by design and reports the size it needs.
  SetupDiGetDeviceInterfaceDetailA(state->info, &state->found, nullptr, 0, &needed, nullptr);
  constexpr DWORD kFixed = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
  if (needed <= kFixed) return false;
  std::unique_ptr<std::byte[]> storage(new (std::nothrow) std::byte[needed]);
  if (!storage) return false;
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.get());
  // The fixed part's size, which the system checks: 5 bytes in a 32-bit build, 8 in a 64-bit one.
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!SetupDiGetDeviceInterfaceDetailA(state->info, &state->found, detail, needed, nullptr, nullptr))
    return false;
  path.assign(detail->DevicePath, strnlen(detail->DevicePath, needed - kFixed));
  return true;
}

DeviceHandle Win32Devices::Open(const char* path, OpenMode mode) {
  DWORD access = 0;
  DWORD flags = 0;
  switch (mode) {
    case OpenMode::kProbe:
      break;
    case OpenMode::kQueryOnly:
      flags = FILE_ATTRIBUTE_NORMAL;
      break;
    case OpenMode::kReadOverlapped:
      access = GENERIC_READ | GENERIC_WRITE;
      flags = FILE_FLAG_OVERLAPPED;
      break;
  }
  // No access at all still allows the HID queries and feature transfers, even on a keyboard
  // that the system holds open for itself.
  HANDLE h = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr);
  return reinterpret_cast<DeviceHandle>(h);
}

void Win32Devices::Close(DeviceHandle h) {
  if (h != kNoHandle && h != kInvalidHandle) CloseHandle(AsHandle(h));
}

DeviceHandle Win32Devices::Duplicate(DeviceHandle h) {
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), AsHandle(h), GetCurrentProcess(), &copy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS))
    return kInvalidHandle;
  return reinterpret_cast<DeviceHandle>(copy);
}

bool Win32Devices::GetPreparsedData(DeviceHandle h, PreparsedData& data) {
  PHIDP_PREPARSED_DATA p = nullptr;
  if (HidD_GetPreparsedData(AsHandle(h), &p) != TRUE) return false;
  data = reinterpret_cast<PreparsedData>(p);
  return true;
}

void Win32Devices::FreePreparsedData(PreparsedData data) {
  HidD_FreePreparsedData(reinterpret_cast<PHIDP_PREPARSED_DATA>(data));
}

bool Win32Devices::GetAttributes(DeviceHandle h, HidAttributes& attributes) {
  HIDD_ATTRIBUTES a{};
  a.Size = sizeof a;
  if (!HidD_GetAttributes(AsHandle(h), &a)) return false;
  attributes.vendor_id = a.VendorID;
  attributes.product_id = a.ProductID;
  attributes.version_number = a.VersionNumber;
  return true;
}

bool Win32Devices::GetCaps(PreparsedData data, HidCaps& caps) {
  HIDP_CAPS c{};
  if (HidP_GetCaps(reinterpret_cast<PHIDP_PREPARSED_DATA>(data), &c) != HIDP_STATUS_SUCCESS) return false;
  caps.usage = c.Usage;
  caps.usage_page = c.UsagePage;
  caps.input_report_length = c.InputReportByteLength;
  caps.output_report_length = c.OutputReportByteLength;
  caps.feature_report_length = c.FeatureReportByteLength;
  caps.number_feature_button_caps = c.NumberFeatureButtonCaps;
  caps.number_feature_value_caps = c.NumberFeatureValueCaps;
  return true;
}

bool Win32Devices::GetFeature(DeviceHandle h, std::uint8_t* buffer, std::uint32_t length) {
  return HidD_GetFeature(AsHandle(h), buffer, length) == TRUE;
}

bool Win32Devices::SetFeature(DeviceHandle h, std::uint8_t* buffer, std::uint32_t length) {
  return HidD_SetFeature(AsHandle(h), buffer, length) == TRUE;
}

void Win32Devices::Pause(std::uint32_t ms) { SleepEx(ms, FALSE); }

bool Win32Devices::QueueRead(DeviceHandle h, PendingRead& read) {
  auto* overlapped = new (read.platform) OVERLAPPED{};
  return ReadFileEx(AsHandle(h), read.buffer, sizeof read.buffer, overlapped, &ReadDone) != FALSE;
}

ReadWait Win32Devices::WaitForRead(PendingRead&, std::uint32_t ms) {
  return SleepEx(ms, TRUE) == WAIT_IO_COMPLETION ? ReadWait::kCompleted : ReadWait::kTimedOut;
}

void Win32Devices::CancelRead(DeviceHandle h, PendingRead& read) {
  CancelIoEx(AsHandle(h), reinterpret_cast<OVERLAPPED*>(read.platform));
}

void Win32Devices::CancelReads(DeviceHandle h) {
  // Cancels by file object, so it reaches reads queued on any duplicate of `h`.
  CancelIoEx(AsHandle(h), nullptr);
}

}  // namespace kbdlink::win32
