#pragma once
#include <cstdint>

// Window message numbers and style bits the shared code needs, without <windows.h>.
namespace tk {

using WindowId = std::uintptr_t;  // the native window handle's value; 0 is no window

struct Message {
  std::uint32_t msg = 0;
  std::uintptr_t wparam = 0;
  std::intptr_t lparam = 0;
};

inline constexpr std::uint32_t kWmClose = 0x0010;
inline constexpr std::uint32_t kWmQuit = 0x0012;
// The window's monitor changed its scale, or the window moved onto a monitor of another scale.
inline constexpr std::uint32_t kWmDpiChanged = 0x02E0;
inline constexpr std::uint32_t kWmUser = 0x0400;

inline constexpr std::uint32_t kWsPopup = 0x80000000u;
inline constexpr std::uint32_t kWsCaption = 0x00C00000u;
inline constexpr std::uint32_t kWsDlgFrame = 0x00400000u;
inline constexpr std::uint32_t kWsBorder = 0x00800000u;
inline constexpr std::uint32_t kWsSysMenu = 0x00080000u;
inline constexpr std::uint32_t kWsExTopmost = 0x00000008u;
inline constexpr std::uint32_t kWsExToolWindow = 0x00000080u;
inline constexpr std::uint32_t kWsExDlgModalFrame = 0x00000001u;
inline constexpr std::uint32_t kWsExNoActivate = 0x08000000u;

}  // namespace tk
