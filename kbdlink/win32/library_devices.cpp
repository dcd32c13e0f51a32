#include "kbdlink/win32/library_devices.h"

#include "kbdlink/win32/win32_devices.h"

namespace kbdlink::win32 {

DeviceAccess& LibraryDevices() {
  static Win32Devices devices;
  return devices;
}

}  // namespace kbdlink::win32
