// The scripted devices of the test build: two keyboards whose reads complete at once, so their
// readers relay without pause, and a mouse.
#include "kbdlink/headless/sim_devices.h"
#include "kbdlink/win32/library_devices.h"

namespace kbdlink::win32 {
namespace {

headless::SimInterface Device(const char* path, std::uint16_t pid, std::uint16_t usage, bool endless) {
  headless::SimInterface d;
  d.path = path;
  d.attributes = {0x1A2C, pid, 0x0100};
  d.caps.usage_page = 1;
  d.caps.usage = usage;
  d.caps.input_report_length = 9;
  d.caps.feature_report_length = 9;
  d.endless_input = endless;
  return d;
}

struct Scripted {
  Scripted() {
    devices.Add(Device("\\\\?\\hid#sim_kbd_a", 0x2124, 6, true));
    devices.Add(Device("\\\\?\\hid#sim_mouse", 0x3000, 2, false));
    devices.Add(Device("\\\\?\\hid#sim_kbd_b", 0x2124, 6, true));
  }
  headless::World world;
  headless::SimDevices devices{world};
};

}  // namespace

DeviceAccess& LibraryDevices() {
  static Scripted scripted;
  return scripted.devices;
}

}  // namespace kbdlink::win32
