#pragma once
#include <cstdint>

// Command messages understood by the controller window.
namespace shell {

inline constexpr std::uint32_t CTLMSG_SWITCH_P = 0x501;
inline constexpr std::uint32_t CTLMSG_RELOAD = 0x502;
inline constexpr std::uint32_t CTLMSG_LOCKS_CHANGED = 0x511;

}  // namespace shell
