#pragma once
#include <windows.h>
#include <setupapi.h>
// MinGW's HID headers carry no C linkage of their own.
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}
