/* The keyboard link library's exports, for callers in C or C++.
 *
 * Calling convention: WINAPI (__stdcall) on every export. Window handles travel as pointers,
 * ids, usages and the input message as unsigned 32-bit integers; every export returns 1,
 * except DeviceArrival, which returns nonzero when its present/absent message was posted.
 * Ordinals: 2 InitDriver, 3 SetKbdFeatures, 4 RemoveDevice, 5 ReadDevice, 6 DeviceArrival,
 * 7 GetFeatures; none at 1. Linking the CMake target kbdlink_by_ordinal binds GetFeatures by
 * ordinal 7 at load.
 */
#ifndef KBDLINK_KBDLINK_H
#define KBDLINK_KBDLINK_H

#include <stdint.h>

#if defined(_WIN32)
#define KBDLINK_CALL __stdcall
#else
#define KBDLINK_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* After each enumeration the client window gets 0x600 (keyboard present) or 0x700 (absent),
 * posted with wParam 0 and lParam 0. */
int KBDLINK_CALL InitDriver(void* client_window, uint32_t input_message, uint32_t vendor_id,
                            uint32_t product_id, uint32_t usage_page, uint32_t usage);
/* Sends the 5 bytes at `report` (first byte the report id) as a feature report. */
int KBDLINK_CALL SetKbdFeatures(uint32_t usage_page, uint32_t usage, const unsigned char* report);
int KBDLINK_CALL RemoveDevice(void);
int KBDLINK_CALL ReadDevice(uint32_t usage_page, uint32_t usage);
int KBDLINK_CALL DeviceArrival(void);
/* `buffer` holds at least 9 bytes, the first one the report id to read; it is left as it was
 * when no matching keyboard answered. */
int KBDLINK_CALL GetFeatures(uint32_t vendor_id, uint32_t product_id, uint32_t usage_page, uint32_t usage,
                             unsigned char* buffer);

#ifdef __cplusplus
}
#endif

#endif
