#pragma once
#include <cstdint>

// The input component's one entry, exported by ordinal 1 only: it is handed the controller
// window once and posts the controller's lock-key message for every lock-key press.
#if defined(_WIN32)
#define WMINPUT_API __stdcall
#else
#define WMINPUT_API
#endif

extern "C" int WMINPUT_API WmInputAttach(std::uint32_t controller_window);
