// Redraws the key-cap pictures and tray icons into the given folder.
//   usage: draw_pictures <output-dir>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "picture_drawing.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output-dir>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  for (std::string_view name : forms::picture_drawing::picture_file_names()) {
    const auto bytes = forms::picture_drawing::draw_picture_file(name);
    const std::filesystem::path path = dir / std::string(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
      return 1;
    }
  }
  return 0;
}
