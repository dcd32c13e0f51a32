// Draws the key-cap pictures and tray icons into the exact bytes of their
// .bmp / .ico files, so the checked-in files can be regenerated and verified.
#ifndef LEDGLOW_FORMS_PICTURES_PICTURE_DRAWING_H
#define LEDGLOW_FORMS_PICTURES_PICTURE_DRAWING_H

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace forms::picture_drawing {

using Bytes = std::vector<std::uint8_t>;

// Every file this module can draw, in the order pictures.rc lists them.
std::span<const std::string_view> picture_file_names();

// The complete file contents for one of picture_file_names().
// Throws std::invalid_argument for any other name.
Bytes draw_picture_file(std::string_view file_name);

}  // namespace forms::picture_drawing

#endif  // LEDGLOW_FORMS_PICTURES_PICTURE_DRAWING_H
