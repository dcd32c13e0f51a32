#include <windows.h>

#include <cstdint>

extern "C" {
int WINAPI InitDriver(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) { return 1; }
int WINAPI SetKbdFeatures(std::uint32_t, std::uint32_t, std::uint8_t*) { return 1; }
int WINAPI RemoveDevice() { return 1; }
int WINAPI ReadDevice(std::uint32_t, std::uint32_t) { return 1; }
int WINAPI DeviceArrival() { return 0; }
int WINAPI GetFeatures(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint8_t*) { return 1; }
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
