#include "wminput/wminput.h"

#include <windows.h>

extern "C" int WMINPUT_API WmInputAttach(std::uint32_t) { return 1; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
