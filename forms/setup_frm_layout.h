#pragma once
#include <cstdint>

#include "picture_ids.h"

// The controller's form: its image list and timers as designed.
namespace forms::setup_frm {

inline constexpr int kImageList1[] = {kIconTrayCream, kIconTrayGreen, kIconTrayCyan};
inline constexpr int kTrayImageIndex = 1;
inline constexpr std::uint32_t kTimer3Interval = 10000;
inline constexpr std::uint32_t kTimer4Interval = 1000;

}  // namespace forms::setup_frm
