#pragma once
// A simulated machine for the link library: scripted HID interfaces, headless windows and
// std::thread readers over one virtual clock. The test thread owns the windows and pumps them.
#include <cstdint>
#include <string>
#include <vector>

#include "kbdlink/device_table.h"
#include "kbdlink/headless/headless_threads.h"
#include "kbdlink/headless/headless_windows.h"
#include "kbdlink/headless/sim_devices.h"
#include "kbdlink/headless/world.h"

namespace kbdlink::testing {

using headless::HeadlessThreads;
using headless::HeadlessWindows;
using headless::Message;
using headless::SimDevices;
using headless::SimInterface;
using headless::World;

inline std::string PathFor(int n) { return "\\\\?\\hid#vid_test&pid_" + std::to_string(n) + "#{4d1e55b2}"; }

inline SimInterface Interface(std::string path, std::uint16_t vid, std::uint16_t pid, std::uint16_t page,
                              std::uint16_t usage, std::uint16_t feature_length = 9) {
  SimInterface d;
  d.path = std::move(path);
  d.attributes = {vid, pid, 0x0100};
  d.caps.usage_page = page;
  d.caps.usage = usage;
  d.caps.input_report_length = 9;
  d.caps.output_report_length = 2;
  d.caps.feature_report_length = feature_length;
  d.caps.number_feature_button_caps = 1;
  d.caps.number_feature_value_caps = 3;
  return d;
}

inline SimInterface Keyboard(int n) { return Interface(PathFor(n), 0x1A2C, 0x2124, 0xFF00, 0x0001); }

// Machine state in declaration order, so readers are gone before the devices they read.
struct Machine {
  World world;
  SimDevices devices{world};
  HeadlessWindows windows{world};
  HeadlessThreads threads{world, windows};
};

// The client window: records what it receives and copies the report a relay points at.
struct RecordingClient {
  struct Received {
    Message message;
    std::vector<std::uint8_t> report;  // 32 bytes for an input message
  };
  RecordingClient(HeadlessWindows& windows, std::uint32_t input_message = 0x500) {
    handle = windows.CreateWindowFor("Client", "client", [this, input_message](const Message& m) {
      Received r{m, {}};
      if (m.message == input_message && m.lparam != 0) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(m.lparam);
        r.report.assign(p, p + 32);
      }
      received.push_back(r);
      return std::intptr_t{0};
    });
  }
  std::vector<std::uint32_t> Messages() const {
    std::vector<std::uint32_t> out;
    for (const Received& r : received) out.push_back(r.message.message);
    return out;
  }
  WindowHandle handle = 0;
  std::vector<Received> received;
};

}  // namespace kbdlink::testing

#include <cstring>
#include <memory>

#include "kbdlink/link.h"

namespace kbdlink::testing {

inline constexpr std::uint32_t kInputMessage = 0x8123;
// The deployment's keyboard: its status collections on a vendor page.
inline constexpr std::uint16_t kVendor = 0x1A2C;
inline constexpr std::uint16_t kProduct = 0x2124;
inline constexpr std::uint16_t kPage = 0xFF01;
inline constexpr std::uint16_t kUsage = 1;

// A WM_DEVICECHANGE broadcast record: header, class GUID, then the NUL-terminated name.
inline std::vector<std::uint8_t> Broadcast(std::uint32_t device_type, const std::string& name = "") {
  std::vector<std::uint8_t> b(28 + name.size() + 1, 0);
  const auto size = static_cast<std::uint32_t>(b.size());
  std::memcpy(b.data(), &size, 4);
  std::memcpy(b.data() + 4, &device_type, 4);
  std::memcpy(b.data() + 28, name.c_str(), name.size() + 1);
  return b;
}

struct LinkMachine {
  LinkMachine() : client(m.windows, kInputMessage) {}
  void Init(std::uint32_t vid = kVendor, std::uint32_t pid = kProduct, std::uint32_t page = kPage,
            std::uint32_t usage = kUsage) {
    link->InitDriver(client.handle, kInputMessage, vid, pid, page, usage);
    m.windows.Pump();
  }
  std::intptr_t DeviceChange(std::uint32_t event, std::vector<std::uint8_t>* record) {
    return link->LinkWindowProc(link->HiddenWindow(), kWmDeviceChange, event,
                                record ? reinterpret_cast<std::intptr_t>(record->data()) : 0);
  }
  std::vector<std::uint32_t> Posted() {
    m.windows.Pump();
    std::vector<std::uint32_t> out;
    for (const auto& r : client.received)
      if (r.message.message == LINKMSG_PRESENT || r.message.message == LINKMSG_ABSENT) out.push_back(r.message.message);
    return out;
  }
  Machine m;
  RecordingClient client;
  std::unique_ptr<Link> link = std::make_unique<Link>(m.devices, m.windows, m.threads);
};

inline SimInterface Status(int n, std::uint16_t vid = kVendor, std::uint16_t pid = kProduct, std::uint16_t page = kPage,
                           std::uint16_t usage = kUsage) {
  return Interface(PathFor(n), vid, pid, page, usage);
}

}  // namespace kbdlink::testing
