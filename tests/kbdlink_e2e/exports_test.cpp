// The real kbdlink.dll under Wine, loaded once for the suite: its tests run in order, from
// before the first InitDriver to the unload. Wine offers two virtual HID interfaces of vendor
// 0x845E: a mouse (product 1) and a keyboard (product 2, usage page 1, usage 6).
#include <gtest/gtest.h>
#include <windows.h>
#include <dbt.h>

#include <string>

#include "client_window.h"
#include "kbdlink/device_table.h"
#include "kbdlink/kbdlink.h"
#include "kbdlink/win32/win32_devices.h"
#include "kbdlink/win32/win32_threads.h"
#include "kbdlink/win32/win32_windows.h"

namespace kbdlink::e2e {
namespace {

using InitDriverFn = decltype(&::InitDriver);
using SetKbdFeaturesFn = decltype(&::SetKbdFeatures);
using RemoveDeviceFn = decltype(&::RemoveDevice);
using ReadDeviceFn = decltype(&::ReadDevice);
using DeviceArrivalFn = decltype(&::DeviceArrival);
using GetFeaturesFn = decltype(&::GetFeatures);

constexpr std::uint32_t kWineVendor = 0x845E;

struct Library {
  HMODULE module = nullptr;
  InitDriverFn init = nullptr;
  SetKbdFeaturesFn set = nullptr;
  RemoveDeviceFn remove = nullptr;
  ReadDeviceFn read = nullptr;
  DeviceArrivalFn arrival = nullptr;
  GetFeaturesFn get = nullptr;
};

template <class Fn>
Fn Export(HMODULE m, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(m, name)));
}

std::string VirtualKeyboardPath() {
  win32::Win32Devices devices;
  win32::Win32Windows windows;
  win32::Win32Threads threads;
  HidDeviceTable table(devices, windows, threads);
  table.Rebuild();
  for (int i = 0; i < table.Count(); ++i) {
    const HidDeviceRow* row = table.Row(i);
    if (row->vendor_id == kWineVendor && row->product_id == 0x0002) return row->path;
  }
  return {};
}

std::vector<std::uint8_t> Broadcast(DWORD device_type, const std::string& name = "") {
  std::vector<std::uint8_t> b(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) + name.size(), 0);
  auto* h = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(b.data());
  h->dbcc_size = static_cast<DWORD>(b.size());
  h->dbcc_devicetype = device_type;
  std::memcpy(h->dbcc_name, name.c_str(), name.size() + 1);
  return b;
}

class RealLibrary : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    client = new ClientWindow;
    lib.module = LoadLibraryA("kbdlink.dll");
    lib.init = Export<InitDriverFn>(lib.module, "InitDriver");
    lib.set = Export<SetKbdFeaturesFn>(lib.module, "SetKbdFeatures");
    lib.remove = Export<RemoveDeviceFn>(lib.module, "RemoveDevice");
    lib.read = Export<ReadDeviceFn>(lib.module, "ReadDevice");
    lib.arrival = Export<DeviceArrivalFn>(lib.module, "DeviceArrival");
    lib.get = Export<GetFeaturesFn>(lib.module, "GetFeatures");
  }
  static void TearDownTestSuite() {
    if (lib.module != nullptr) FreeLibrary(lib.module);
    delete client;
  }
  void SetUp() override {
    ASSERT_NE(lib.module, nullptr);
    client->received.clear();
    client->thread_messages.clear();
  }
  static HWND Hidden() { return FindWindowA("VEVURClass", "HKUSBKEYMSG"); }
  static void Configure(std::uint32_t vid, std::uint32_t pid, std::uint32_t page, std::uint32_t usage) {
    EXPECT_EQ(lib.init(client->Handle(), kInputMessage, vid, pid, page, usage), 1);
    client->Pump(100);
  }

  static Library lib;
  static ClientWindow* client;
};
Library RealLibrary::lib;
ClientWindow* RealLibrary::client = nullptr;

TEST_F(RealLibrary, ExportsResolveByNameAndOrdinalAndNothingSitsAtOrdinal1) {
  const char* names[] = {"InitDriver", "SetKbdFeatures", "RemoveDevice", "ReadDevice", "DeviceArrival", "GetFeatures"};
  for (int ordinal = 2; ordinal <= 7; ++ordinal) {
    FARPROC by_ordinal = GetProcAddress(lib.module, MAKEINTRESOURCEA(ordinal));
    EXPECT_NE(by_ordinal, nullptr) << ordinal;
    EXPECT_EQ(by_ordinal, GetProcAddress(lib.module, names[ordinal - 2])) << names[ordinal - 2];
  }
  EXPECT_EQ(GetProcAddress(lib.module, MAKEINTRESOURCEA(1)), nullptr);
  EXPECT_EQ(GetProcAddress(lib.module, MAKEINTRESOURCEA(8)), nullptr);
}

TEST_F(RealLibrary, GetFeaturesBeforeAnyEnumerationLeavesTheBuffer) {
  unsigned char buffer[9] = {0x05, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(lib.get(kWineVendor, 0x0002, 1, 6, buffer), 1);
  EXPECT_EQ(buffer[1], 0xEE);
  EXPECT_EQ(lib.remove(), 1);
  EXPECT_EQ(lib.read(1, 6), 1);
}

TEST_F(RealLibrary, DeviceArrivalBeforeInitDriverPostsAThreadMessage) {
  EXPECT_NE(lib.arrival(), 0);
  client->Pump(50);
  EXPECT_EQ(client->thread_messages, std::vector<UINT>{0x700});
  EXPECT_EQ(Hidden(), nullptr) << "no window before InitDriver";
}

TEST_F(RealLibrary, InitDriverMakesTheHiddenWindowAndReportsTheDeploymentKeyboardAbsent) {
  Configure(0x1A2C, 0x2124, 0xFF01, 1);
  EXPECT_EQ(client->Posted(), std::vector<UINT>{0x700});
  const HWND hidden = Hidden();
  ASSERT_NE(hidden, nullptr);
  EXPECT_EQ(GetWindowThreadProcessId(hidden, nullptr), GetCurrentThreadId());
  EXPECT_FALSE(IsWindowVisible(hidden));
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(hidden, GWL_STYLE)) & WS_POPUP, static_cast<DWORD>(WS_POPUP));
  EXPECT_EQ(GetClassLongA(hidden, GCL_STYLE), static_cast<DWORD>(CS_PARENTDC));
  EXPECT_EQ(reinterpret_cast<HGDIOBJ>(GetClassLongPtrA(hidden, GCLP_HBRBACKGROUND)), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(hidden, GCLP_HCURSOR)), LoadCursorA(nullptr, IDC_ARROW));
  RECT r{};
  GetWindowRect(hidden, &r);
  EXPECT_EQ(r.right - r.left, 0);
  EXPECT_EQ(r.bottom - r.top, 0);
}

TEST_F(RealLibrary, ASecondInitDriverForWinesKeyboardReportsItPresentWithTheSameWindow) {
  const HWND first = Hidden();
  Configure(kWineVendor, 0x0002, 1, 6);
  EXPECT_EQ(client->Posted(), std::vector<UINT>{0x600});
  int windows = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM count) {
        char cls[32] = {}, title[32] = {};
        GetClassNameA(w, cls, sizeof cls);
        GetWindowTextA(w, title, sizeof title);
        if (std::string(cls) == "VEVURClass" && std::string(title) == "HKUSBKEYMSG") ++*reinterpret_cast<int*>(count);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  EXPECT_EQ(windows, 1);
  EXPECT_EQ(Hidden(), first);
}

TEST_F(RealLibrary, GetFeaturesOnAKeyboardWithoutFeatureReportLeavesTheBuffer) {
  unsigned char buffer[9] = {0x05, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(lib.get(kWineVendor, 0x0002, 1, 6, buffer), 1);
  EXPECT_EQ(buffer[0], 0x05);
  EXPECT_EQ(buffer[1], 0xEE);
  const unsigned char report[5] = {0x05, 1, 2, 3, 4};
  EXPECT_EQ(lib.set(1, 6, report), 1);
}

TEST_F(RealLibrary, ArgumentsTravelAsFull32BitValues) {
  // Cut to 16 bits, 0x1845E would be Wine's vendor; the interface would then be selected and
  // opened. A full 32-bit value never matches.
  unsigned char buffer[9] = {0x05, 0xEE};
  EXPECT_EQ(lib.get(0x10000 + kWineVendor, 0x0002, 1, 6, buffer), 1);
  EXPECT_EQ(lib.get(kWineVendor, 0x10002, 0x10001, 0x10006, buffer), 1);
  EXPECT_EQ(buffer[1], 0xEE);
  Configure(0x10000 + kWineVendor, 0x0002, 1, 6);
  EXPECT_EQ(client->Posted(), std::vector<UINT>{0x700});
  client->received.clear();
  Configure(kWineVendor, 0x0002, 1, 6);
  EXPECT_EQ(client->Posted(), std::vector<UINT>{0x600});
}

TEST_F(RealLibrary, DeviceArrivalReturnsNonzeroAndPostsAgain) {
  EXPECT_NE(lib.arrival(), 0);
  client->Pump(50);
  EXPECT_EQ(client->Posted(), std::vector<UINT>{0x600});
}

TEST_F(RealLibrary, DeviceChangeBroadcastsBehaveAsTheirTypesSay) {
  const HWND hidden = Hidden();
  ASSERT_NE(hidden, nullptr);
  struct Case {
    const char* name;
    WPARAM event;
    std::vector<std::uint8_t> record;
    std::vector<UINT> posted;
  };
  std::string upper = VirtualKeyboardPath();
  ASSERT_FALSE(upper.empty());
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const Case cases[] = {
      {"VolumeArrivalIgnored", DBT_DEVICEARRIVAL, Broadcast(DBT_DEVTYP_VOLUME), {}},
      {"InterfaceArrivalEnumerates", DBT_DEVICEARRIVAL, Broadcast(DBT_DEVTYP_DEVICEINTERFACE, "\\\\?\\hid#new"), {0x600}},
      {"HighBitsOfWparamIgnored", 0x10000 | DBT_DEVICEARRIVAL, Broadcast(DBT_DEVTYP_DEVICEINTERFACE), {0x600}},
      {"QueryRemoveTellsNobody", DBT_DEVICEQUERYREMOVE, Broadcast(DBT_DEVTYP_HANDLE), {}},
      {"RemovalOfAnUnknownPathIgnored", DBT_DEVICEREMOVECOMPLETE, Broadcast(DBT_DEVTYP_DEVICEINTERFACE, "\\\\?\\hid#gone"), {}},
      {"RemovalOfTheKeyboardEnumerates", DBT_DEVICEREMOVECOMPLETE, Broadcast(DBT_DEVTYP_DEVICEINTERFACE, upper), {0x600}},
      {"RemovalOfAVolumeIgnored", DBT_DEVICEREMOVECOMPLETE, Broadcast(DBT_DEVTYP_VOLUME, upper), {}},
  };
  for (const Case& c : cases) {
    client->received.clear();
    EXPECT_EQ(SendMessageA(hidden, WM_DEVICECHANGE, c.event, reinterpret_cast<LPARAM>(c.record.data())), 0) << c.name;
    client->Pump(50);
    EXPECT_EQ(client->Posted(), c.posted) << c.name;
  }
}

TEST_F(RealLibrary, ARelayReachesTheClientsInputMessageWithWparamsLow16Bits) {
  std::uint8_t report[32] = {0x42, 0x43};
  EXPECT_EQ(SendMessageA(Hidden(), 0x502, 0x12345, reinterpret_cast<LPARAM>(report)), 0);
  ASSERT_EQ(client->Count(kInputMessage), 1u);
  EXPECT_EQ(client->received[0].wparam, 0x2345u);
  EXPECT_EQ(client->received[0].lparam, reinterpret_cast<LPARAM>(report));
  EXPECT_EQ(client->received[0].report[1], 0x43);
}

TEST_F(RealLibrary, RelaysPostedOrSentFromAnotherThreadReachNobody) {
  static std::uint8_t elsewhere[32] = {0x66};
  const HWND hidden = Hidden();
  ASSERT_NE(hidden, nullptr);
  EXPECT_TRUE(PostMessageA(hidden, 0x502, 0, reinterpret_cast<LPARAM>(elsewhere)));
  struct Foreign {
    HWND hidden;
    LRESULT result = -1;
  } foreign{hidden};
  HANDLE other = CreateThread(
      nullptr, 0,
      [](void* p) -> DWORD {
        auto* f = static_cast<Foreign*>(p);
        f->result = SendMessageA(f->hidden, 0x502, 0, reinterpret_cast<LPARAM>(elsewhere));
        return 0;
      },
      &foreign, 0, nullptr);
  ASSERT_NE(other, nullptr);
  DWORD waited = WAIT_TIMEOUT;
  for (int i = 0; i < 300 && waited == WAIT_TIMEOUT; ++i) {
    client->Pump(10);
    waited = WaitForSingleObject(other, 0);
  }
  CloseHandle(other);
  ASSERT_EQ(waited, WAIT_OBJECT_0) << "the other thread's send was not answered within 3 s";
  client->Pump(50);
  EXPECT_EQ(foreign.result, 0);
  EXPECT_EQ(client->Count(kInputMessage), 0u);
}

TEST_F(RealLibrary, ReadersOnWinesKeyboardStartAndStop) {
  EXPECT_EQ(lib.read(1, 6), 1);
  client->Pump(150);
  EXPECT_EQ(lib.remove(), 1);
  EXPECT_EQ(lib.read(1, 6), 1);
  client->Pump(50);
}

// Last: the library is freed with its readers started and its window still in place.
TEST_F(RealLibrary, FreeLibraryAfterInitDriverDoesNotCrash) {
  const HWND hidden = Hidden();
  const HINSTANCE lib_instance = lib.module;
  EXPECT_TRUE(FreeLibrary(lib.module));
  lib.module = nullptr;
  EXPECT_EQ(GetModuleHandleA("kbdlink.dll"), nullptr);
  // Freed on the window's thread, the library takes its window and class with it; whatever
  // still reaches the old handle must not call into the library.
  EXPECT_FALSE(IsWindow(hidden));
  EXPECT_EQ(Hidden(), nullptr);
  WNDCLASSA c{};
  EXPECT_FALSE(GetClassInfoA(lib_instance, "VEVURClass", &c)) << "the class outlived the library";
  auto record = Broadcast(DBT_DEVTYP_DEVICEINTERFACE);
  SendMessageA(hidden, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(record.data()));
  SendMessageA(hidden, 0x502, 0, 0);
  client->Pump(200);
  EXPECT_EQ(client->Count(kInputMessage), 0u);
  EXPECT_TRUE(client->Posted().empty());
}

TEST(OrdinalImport, ACallerBoundByOrdinal7LoadsAndCallsGetFeatures) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string command = path;
  command = command.substr(0, command.find_last_of("\\/") + 1) + "kbdlink_ordinal_client.exe";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  ASSERT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace kbdlink::e2e
