// The DLL's entry point and its six exports over the one process-wide Link.
#include <windows.h>

#include <new>

#include "kbdlink/kbdlink.h"
#include "kbdlink/link.h"
#include "kbdlink/win32/library_devices.h"
#include "kbdlink/win32/win32_threads.h"
#include "kbdlink/win32/win32_windows.h"

namespace kbdlink::win32 {
namespace {

struct Library {
  Win32Windows windows;
  Win32Threads threads;
  Link link{LibraryDevices(), windows, threads};
};

// Built at process attach and torn down at detach, where the readers are stopped first.
alignas(Library) unsigned char g_storage[sizeof(Library)];
Library* g_library = nullptr;

template <class Call>
int Guarded(int fallback, Call call) {
  if (g_library == nullptr) return fallback;
  try {
    return call(g_library->link);
  } catch (...) {
    return fallback;  // nothing unwinds into the caller
  }
}

}  // namespace
}  // namespace kbdlink::win32

using kbdlink::Link;
using kbdlink::WindowHandle;
using kbdlink::win32::Guarded;

extern "C" {

int KBDLINK_CALL InitDriver(void* client_window, uint32_t input_message, uint32_t vendor_id, uint32_t product_id,
                            uint32_t usage_page, uint32_t usage) {
  return Guarded(1, [&](Link& link) {
    return link.InitDriver(reinterpret_cast<WindowHandle>(client_window), input_message, vendor_id, product_id,
                           usage_page, usage);
  });
}

int KBDLINK_CALL SetKbdFeatures(uint32_t usage_page, uint32_t usage, const unsigned char* report) {
  return Guarded(1, [&](Link& link) { return link.SetKbdFeatures(usage_page, usage, report); });
}

int KBDLINK_CALL RemoveDevice(void) {
  return Guarded(1, [](Link& link) { return link.RemoveDevice(); });
}

int KBDLINK_CALL ReadDevice(uint32_t usage_page, uint32_t usage) {
  return Guarded(1, [&](Link& link) { return link.ReadDevice(usage_page, usage); });
}

int KBDLINK_CALL DeviceArrival(void) {
  return Guarded(0, [](Link& link) { return link.DeviceArrival(); });
}

int KBDLINK_CALL GetFeatures(uint32_t vendor_id, uint32_t product_id, uint32_t usage_page, uint32_t usage,
                             unsigned char* buffer) {
  return Guarded(1, [&](Link& link) { return link.GetFeatures(vendor_id, product_id, usage_page, usage, buffer); });
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  using kbdlink::win32::g_library;
  using kbdlink::win32::g_storage;
  using kbdlink::win32::Library;
  kbdlink::win32::Win32Windows::SetInstance(instance);
  if (reason == DLL_PROCESS_ATTACH && g_library == nullptr) {
    try {
      g_library = new (g_storage) Library;
    } catch (...) {
      g_library = nullptr;
    }
  } else if (reason == DLL_PROCESS_DETACH && g_library != nullptr) {
    // At process exit (`reserved` set) the other threads are gone already; after FreeLibrary
    // the readers are stopped and seen out of the library's code before it is unmapped.
    if (reserved != nullptr) {
      g_library->threads.SetProcessEnding();
      g_library->windows.SetProcessEnding();
    }
    g_library->~Library();
    g_library = nullptr;
  }
  return TRUE;
}

}  // extern "C"
