// The library over scripted devices whose readers relay without pause, freed while they run:
// nothing may crash and no reader thread may outlive the library.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <set>

#include "client_window.h"
#include "kbdlink/kbdlink.h"

namespace kbdlink::e2e {
namespace {

std::set<DWORD> ThreadsOfThisProcess() {
  std::set<DWORD> ids;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 t{};
  t.dwSize = sizeof t;
  for (BOOL ok = Thread32First(snap, &t); ok; ok = Thread32Next(snap, &t)) {
    if (t.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(t.th32ThreadID);
  }
  CloseHandle(snap);
  return ids;
}

template <class Fn>
Fn Export(HMODULE m, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(m, name)));
}

// Loads the library, starts readers on both scripted keyboards, lets them relay, frees the
// library while they are blocked relaying to this thread, and waits for their threads to go.
void LoadRelayAndFree(ClientWindow& client, bool expect_relays) {
  HMODULE lib = LoadLibraryA("kbdlink_simdev.dll");
  ASSERT_NE(lib, nullptr);
  auto init = Export<decltype(&::InitDriver)>(lib, "InitDriver");
  auto read = Export<decltype(&::ReadDevice)>(lib, "ReadDevice");
  client.received.clear();
  ASSERT_EQ(init(client.Handle(), kInputMessage, 0x1A2C, 0x2124, 1, 6), 1);
  client.Pump(50);
  EXPECT_EQ(client.Posted(), std::vector<UINT>{0x600});
  EXPECT_NE(FindWindowA("VEVURClass", "HKUSBKEYMSG"), nullptr) << "this load made no hidden window";

  const std::set<DWORD> before = ThreadsOfThisProcess();
  ASSERT_EQ(read(1, 6), 1);
  std::set<DWORD> readers;
  for (DWORD id : ThreadsOfThisProcess())
    if (!before.count(id)) readers.insert(id);
  EXPECT_GE(readers.size(), 2u);

  if (expect_relays) {
    const ULONGLONG end = GetTickCount64() + 5000;
    while (client.Count(kInputMessage) < 100 && GetTickCount64() < end) client.Pump(10);
    ASSERT_GE(client.Count(kInputMessage), 100u);
    for (const Received& r : client.received) {
      if (r.message != kInputMessage) continue;
      EXPECT_TRUE(r.wparam == 0 || r.wparam == 2) << "rows 0 and 2 are the keyboards";
      EXPECT_EQ(r.report.at(0), 0x01);
    }
  }
  // Not pumping now: the readers sit in their relay to this thread when the library goes.
  EXPECT_TRUE(FreeLibrary(lib));
  EXPECT_EQ(GetModuleHandleA("kbdlink_simdev.dll"), nullptr);
  EXPECT_EQ(FindWindowA("VEVURClass", "HKUSBKEYMSG"), nullptr) << "the hidden window outlived the library";

  const ULONGLONG end = GetTickCount64() + 3000;
  std::set<DWORD> left = readers;
  while (!left.empty() && GetTickCount64() < end) {
    client.Pump(20);
    const std::set<DWORD> now = ThreadsOfThisProcess();
    for (auto it = left.begin(); it != left.end();) it = now.count(*it) ? std::next(it) : left.erase(it);
  }
  EXPECT_TRUE(left.empty()) << left.size() << " reader threads outlived the library";
  client.Pump(100);  // notices still queued for the hidden window are handled without the library
}

TEST(Unload, FreeLibraryWhileReadersRelayEndsThemAndDoesNotCrash) {
  ClientWindow client;
  LoadRelayAndFree(client, true);
}

TEST(Unload, TheLibraryCanBeLoadedAndFreedAgain) {
  ClientWindow client;
  // Each load gets its hidden window, and its readers relay through it.
  LoadRelayAndFree(client, true);
  LoadRelayAndFree(client, true);
}

}  // namespace
}  // namespace kbdlink::e2e
