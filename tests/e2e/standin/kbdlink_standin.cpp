// A stand-in for the keyboard link library: the status bytes the battery poll reads come
// from the environment (LEDGLOW_STANDIN_A for report 6, LEDGLOW_STANDIN_B for report 5);
// an unset variable is a keyboard that does not answer. When a test sets the event
// "LedglowStandinBlockRequest", the next query holds its caller for 3 s, as a keyboard
// that is slow to answer would, and says when the hold begins and ends through the events "LedglowStandinBlocking" and "LedglowStandinReleased".
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

void Signal(const char* event_name) {
  if (HANDLE e = OpenEventA(EVENT_MODIFY_STATE, FALSE, event_name)) {
    SetEvent(e);
    CloseHandle(e);
  }
}

void HoldWhenAsked() {
  HANDLE request = OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, "LedglowStandinBlockRequest");
  if (request == nullptr) return;
  const bool asked = WaitForSingleObject(request, 0) == WAIT_OBJECT_0;  // auto-reset: once per request
  CloseHandle(request);
  if (!asked) return;
  Signal("LedglowStandinBlocking");
  Sleep(3000);
  Signal("LedglowStandinReleased");
}

}  // namespace

extern "C" {
int WINAPI InitDriver(void*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) { return 1; }
int WINAPI SetKbdFeatures(std::uint32_t, std::uint32_t, const unsigned char*) { return 1; }
int WINAPI RemoveDevice() { return 1; }
int WINAPI ReadDevice(std::uint32_t, std::uint32_t) { return 1; }
int WINAPI DeviceArrival() { return 1; }
int WINAPI GetFeatures(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, unsigned char* buffer) {
  HoldWhenAsked();
  unsigned char status = 0;
  if (buffer != nullptr && Status(buffer[0] == 5 ? "LEDGLOW_STANDIN_B" : "LEDGLOW_STANDIN_A", status))
    buffer[1] = status;
  return 1;
}
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
