#pragma once
#include <cstdint>
#include <string>

namespace tk {

// A font as the toolkit's controls take it. Face names are 8-bit strings in the system
// code page, as the platform's font selection takes them.
struct Font {
  std::string face = "MS Sans Serif";
  std::uint8_t charset = 1;  // DEFAULT_CHARSET
  int size_pt = 8;
  friend bool operator==(const Font&, const Font&) = default;
};

}  // namespace tk
