#pragma once
// The HID stack of Windows: SetupAPI for the interface set, hid.dll for the rest.
#include "kbdlink/device_access.h"

namespace kbdlink::win32 {

class Win32Devices final : public DeviceAccess {
 public:
  void HidInterfaceClass(std::uint8_t guid[16]) override;
  bool OpenInterfaceSet(InterfaceSet& set) override;
  void CloseInterfaceSet(InterfaceSet set) override;
  InterfaceLookup FindInterface(InterfaceSet set, std::uint32_t index) override;
  bool InterfacePath(InterfaceSet set, std::string& path) override;
  DeviceHandle Open(const char* path, OpenMode mode) override;
  void Close(DeviceHandle h) override;
  DeviceHandle Duplicate(DeviceHandle h) override;
  bool GetPreparsedData(DeviceHandle h, PreparsedData& data) override;
  void FreePreparsedData(PreparsedData data) override;
  bool GetAttributes(DeviceHandle h, HidAttributes& attributes) override;
  bool GetCaps(PreparsedData data, HidCaps& caps) override;
  bool GetFeature(DeviceHandle h, std::uint8_t* buffer, std::uint32_t length) override;
  bool SetFeature(DeviceHandle h, std::uint8_t* buffer, std::uint32_t length) override;
  void Pause(std::uint32_t ms) override;
  bool QueueRead(DeviceHandle h, PendingRead& read) override;
  ReadWait WaitForRead(PendingRead& read, std::uint32_t ms) override;
  void CancelRead(DeviceHandle h, PendingRead& read) override;
  void CancelReads(DeviceHandle h) override;
};

}  // namespace kbdlink::win32
