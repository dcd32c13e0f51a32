// Starts and stops the readers of the scripted library over and over and prints the process's
// handle count, committed memory and thread count before and after. Run by hand under Wine:
//   wine kbdlink_reader_cycles.exe [cycles] [library]
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>

#include "client_window.h"
#include "kbdlink/kbdlink.h"

namespace {

struct Figures {
  DWORD handles = 0;
  SIZE_T committed = 0;
  int threads = 0;
};

// Counted directly: Wine answers GetProcessHandleCount and the private usage with 0.
DWORD OpenHandleValues() {
  DWORD n = 0, flags = 0;
  for (ULONG_PTR v = 4; v < 0x4000; v += 4) n += GetHandleInformation(reinterpret_cast<HANDLE>(v), &flags) != FALSE;
  return n;
}

SIZE_T CommittedPrivateBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION mbi{};
  for (auto* p = static_cast<const char*>(nullptr); VirtualQuery(p, &mbi, sizeof mbi) == sizeof mbi;
       p = static_cast<const char*>(mbi.BaseAddress) + mbi.RegionSize) {
    if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE) total += mbi.RegionSize;
    if (static_cast<const char*>(mbi.BaseAddress) + mbi.RegionSize < p) break;
  }
  return total;
}

// Takes what is there without waiting, and no more than a bounded number of messages.
void Drain() {
  MSG m;
  for (int i = 0; i < 4 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); ++i) DispatchMessageA(&m);
}

Figures Measure() {
  Figures f;
  f.handles = OpenHandleValues();
  f.committed = CommittedPrivateBytes();
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 t{};
  t.dwSize = sizeof t;
  for (BOOL ok = Thread32First(snap, &t); ok; ok = Thread32Next(snap, &t))
    f.threads += t.th32OwnerProcessID == GetCurrentProcessId();
  CloseHandle(snap);
  return f;
}

template <class Fn>
Fn Export(HMODULE m, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(m, name)));
}

void Print(const char* when, int cycle, const Figures& f) {
  std::printf("%-6s cycle %5d: handles %lu, committed %zu KiB, threads %d\n", when, cycle,
              static_cast<unsigned long>(f.handles), static_cast<size_t>(f.committed / 1024), f.threads);
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 10000;
  HMODULE lib = LoadLibraryA(argc > 2 ? argv[2] : "kbdlink_simdev.dll");
  if (lib == nullptr) return 2;
  auto init = Export<decltype(&::InitDriver)>(lib, "InitDriver");
  auto read = Export<decltype(&::ReadDevice)>(lib, "ReadDevice");
  auto remove = Export<decltype(&::RemoveDevice)>(lib, "RemoveDevice");
  kbdlink::e2e::ClientWindow client;
  init(client.Handle(), kbdlink::e2e::kInputMessage, 0x1A2C, 0x2124, 1, 6);
  client.Pump(50);
  // A first cycle, so the figures start with whatever the first reader sets up once.
  read(1, 6);
  client.Pump(1);
  remove();
  client.Pump(20);
  const Figures before = Measure();
  Print("before", 0, before);
  const ULONGLONG start = GetTickCount64();
  ULONGLONG in_read = 0, in_remove = 0;
  for (int i = 1; i <= cycles; ++i) {
    ULONGLONG t0 = GetTickCount64();
    read(1, 6);
    in_read += GetTickCount64() - t0;
    Drain();
    t0 = GetTickCount64();
    remove();
    in_remove += GetTickCount64() - t0;
    Drain();
    client.received.clear();
    if (i % (cycles / 4 > 0 ? cycles / 4 : 1) == 0) Print("during", i, Measure());
  }
  client.Pump(50);
  Print("after", cycles, Measure());
  std::printf("%d cycles in %llu ms (ReadDevice %llu ms, RemoveDevice %llu ms)\n", cycles,
              static_cast<unsigned long long>(GetTickCount64() - start), static_cast<unsigned long long>(in_read),
              static_cast<unsigned long long>(in_remove));
  FreeLibrary(lib);
  return 0;
}
