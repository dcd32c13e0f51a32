#pragma once
// What the link library relies on from the platform's HID stack. One implementation talks to
// SetupAPI and hid.dll; a simulated device set stands in for it in the native tests.
#include <cstdint>
#include <string>

#include "kbdlink/link_types.h"

namespace kbdlink {

struct HidAttributes {
  std::uint16_t vendor_id = 0;
  std::uint16_t product_id = 0;
  std::uint16_t version_number = 0;
};

struct HidCaps {
  std::uint16_t usage = 0;
  std::uint16_t usage_page = 0;
  std::uint16_t input_report_length = 0;
  std::uint16_t output_report_length = 0;
  std::uint16_t feature_report_length = 0;
  std::uint16_t number_feature_button_caps = 0;
  std::uint16_t number_feature_value_caps = 0;
};

enum class InterfaceLookup { kFound, kNoMoreItems, kFailed };

enum class OpenMode {
  kProbe,           // no access, no flags: the enumeration's look at an interface
  kQueryOnly,       // no access, normal attributes: feature transfers
  kReadOverlapped,  // read/write, overlapped: an input-report reader
};

enum class ReadWait { kCompleted, kTimedOut };

// One outstanding read. It lives on the reader's stack, so a reader never leaves while the
// platform may still write into it.
struct PendingRead {
  alignas(16) unsigned char platform[64];  // the backend's overlapped record
  std::uint8_t buffer[kReportBufferSize];
};

class DeviceAccess {
 public:
  virtual ~DeviceAccess() = default;

  // The class GUID of HID device interfaces, as 16 bytes in memory order.
  virtual void HidInterfaceClass(std::uint8_t guid[16]) = 0;
  // The present HID interfaces; false when the set cannot be had.
  virtual bool OpenInterfaceSet(InterfaceSet& set) = 0;
  virtual void CloseInterfaceSet(InterfaceSet set) = 0;
  virtual InterfaceLookup FindInterface(InterfaceSet set, std::uint32_t index) = 0;
  // The path of the interface found last; false when its detail cannot be fetched or allocated.
  virtual bool InterfacePath(InterfaceSet set, std::string& path) = 0;

  // kInvalidHandle when the open fails.
  virtual DeviceHandle Open(const char* path, OpenMode mode) = 0;
  virtual void Close(DeviceHandle h) = 0;
  // A second handle to the same open device, for a reader to own; kInvalidHandle on failure.
  virtual DeviceHandle Duplicate(DeviceHandle h) = 0;
  virtual bool GetPreparsedData(DeviceHandle h, PreparsedData& data) = 0;
  virtual void FreePreparsedData(PreparsedData data) = 0;
  virtual bool GetAttributes(DeviceHandle h, HidAttributes& attributes) = 0;
  virtual bool GetCaps(PreparsedData data, HidCaps& caps) = 0;

  // The buffer's first byte is the report id.
  virtual bool GetFeature(DeviceHandle h, std::uint8_t* buffer, std::uint32_t length) = 0;
  virtual bool SetFeature(DeviceHandle h, std::uint8_t* buffer, std::uint32_t length) = 0;
  virtual void Pause(std::uint32_t ms) = 0;

  // Queues a read of the whole buffer; its completion is delivered only inside WaitForRead.
  virtual bool QueueRead(DeviceHandle h, PendingRead& read) = 0;
  // An alertable wait of the calling reader: kCompleted when its read's completion was delivered.
  virtual ReadWait WaitForRead(PendingRead& read, std::uint32_t ms) = 0;
  // Asks for the one read to end; its completion still arrives through WaitForRead.
  virtual void CancelRead(DeviceHandle h, PendingRead& read) = 0;
  // Ends every outstanding read on the device behind `h`, whichever handle queued it.
  virtual void CancelReads(DeviceHandle h) = 0;
};

}  // namespace kbdlink
