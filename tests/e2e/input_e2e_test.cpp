#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "tests/e2e/harness.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

int ThreadsOfThisProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  int n = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    n += entry.th32OwnerProcessID == GetCurrentProcessId();
  CloseHandle(snapshot);
  return n;
}

UINT RawInputRegistrations() {
  UINT count = 0;
  GetRegisteredRawInputDevices(nullptr, &count, sizeof(RAWINPUTDEVICE));
  return count;
}

bool Loaded() { return GetModuleHandleW(L"wminput.dll") != nullptr; }

// The input component in a host that loads it at run time and lets it go, in either order
// with the window it serves: its watcher thread and its raw-input registration last exactly
// as long as that window, and the library is never unloaded under its running thread.
TEST(InputComponent, WatcherPostsLockPressesAndEndsWithItsWindowAndTheLibraryGoesToo) {
  for (const bool freed_first : {true, false}) {
    SCOPED_TRACE(freed_first ? "library let go before the window" : "window gone before the library");
    FocusWindow focus("LedglowInputFocus");
    auto controller = std::make_unique<RecordingWindow>("LedglowInputHost", "input host");
    const int threads = ThreadsOfThisProcess();
    HMODULE library = LoadLibraryExW((StandinDir() + L"\\wminput.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(library, nullptr);
    using Attach = int(WINAPI*)(std::uint32_t);
    auto attach = reinterpret_cast<Attach>(reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(1))));
    ASSERT_NE(attach, nullptr) << "no export with ordinal 1";
    attach(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(controller->Handle())));
    ASSERT_TRUE(WaitFor([&] { return ThreadsOfThisProcess() == threads + 1; }, 5s)) << "no watcher thread";
    ASSERT_TRUE(WaitFor([] { return RawInputRegistrations() == 1; }, 5s)) << "no raw-input registration";

    RunHost("xdotool key Caps_Lock");
    EXPECT_TRUE(WaitFor(
        [&] {
          const auto& m = controller->Messages();
          return std::any_of(m.begin(), m.end(), [](const auto& r) { return r.msg == 0x511; });
        },
        3s))
        << "no lock-key notice reached the window";
    RunHost("xdotool key Caps_Lock");

    if (freed_first) {
      FreeLibrary(library);
      Pump(200ms);
      EXPECT_TRUE(Loaded()) << "the library was unloaded under its running watcher";
    }
    controller.reset();
    if (!freed_first) FreeLibrary(library);
    EXPECT_TRUE(WaitFor([] { return !Loaded(); }, 5s)) << "the library stayed loaded";
    EXPECT_TRUE(WaitFor([&] { return ThreadsOfThisProcess() == threads; }, 5s)) << "the watcher thread did not end";
    EXPECT_EQ(RawInputRegistrations(), 0u) << "the raw-input registration outlived the watcher";
  }
}

}  // namespace
}  // namespace e2e
