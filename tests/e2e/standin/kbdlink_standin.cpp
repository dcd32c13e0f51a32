// A stand-in for the keyboard link library: the status bytes the battery poll reads come
// from the environment (LEDGLOW_STANDIN_A for report 6, LEDGLOW_STANDIN_B for report 5);
// an unset variable is a keyboard that does not answer.
#include <windows.h>

#include <cstdint>
#include <cstdlib>

namespace {

bool Status(const char* name, unsigned char& value) {
  char text[16] = {};
  if (GetEnvironmentVariableA(name, text, sizeof text) == 0) return false;
  value = static_cast<unsigned char>(std::strtoul(text, nullptr, 0));
  return true;
}

}  // namespace

extern "C" {
int WINAPI InitDriver(void*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) { return 1; }
int WINAPI SetKbdFeatures(std::uint32_t, std::uint32_t, const unsigned char*) { return 1; }
int WINAPI RemoveDevice() { return 1; }
int WINAPI ReadDevice(std::uint32_t, std::uint32_t) { return 1; }
int WINAPI DeviceArrival() { return 1; }
int WINAPI GetFeatures(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, unsigned char* buffer) {
  unsigned char status = 0;
  if (buffer != nullptr && Status(buffer[0] == 5 ? "LEDGLOW_STANDIN_B" : "LEDGLOW_STANDIN_A", status))
    buffer[1] = status;
  return 1;
}
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
