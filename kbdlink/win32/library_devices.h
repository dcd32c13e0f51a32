#pragma once
// The device backend the DLL runs on: the HID stack in the product, a scripted set in the
// test build. Lives until the module's static objects are destroyed.
#include "kbdlink/device_access.h"

namespace kbdlink::win32 {
DeviceAccess& LibraryDevices();
}
