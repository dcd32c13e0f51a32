#include "picture_drawing.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

namespace forms::picture_drawing {
namespace {

// ---------------------------------------------------------------------------
// Glyphs. Hand-placed pixels: at 24 px and 16 px a rasterised font turns to
// mush, so every black pixel is chosen here. '#' is ink, '.' is cap.

using GlyphRows = std::span<const std::string_view>;

constexpr std::array<std::string_view, 12> kGlyphOne = {
    "...##...",
    "..###...",
    ".####...",
    "##.##...",
    "...##...",
    "...##...",
    "...##...",
    "...##...",
    "...##...",
    "...##...",
    ".######.",
    ".######.",
};

constexpr std::array<std::string_view, 12> kGlyphA = {
    "....##....",
    "...####...",
    "...####...",
    "..##..##..",
    "..##..##..",
    ".##....##.",
    ".##....##.",
    ".########.",
    ".########.",
    "##......##",
    "##......##",
    "##......##",
};

constexpr std::array<std::string_view, 12> kGlyphArrowOntoBar = {
    "....##....",
    "....##....",
    "....##....",
    "....##....",
    "##..##..##",
    ".##.##.##.",
    "..######..",
    "...####...",
    "....##....",
    "..........",
    "##########",
    "##########",
};

// The tray A has to survive 16 px, so it is shorter and narrower.
constexpr std::array<std::string_view, 10> kGlyphTrayA = {
    "...##...",
    "..####..",
    "..####..",
    ".##..##.",
    ".##..##.",
    ".######.",
    ".######.",
    "##....##",
    "##....##",
    "##....##",
};

template <std::size_t N>
consteval bool well_formed(const std::array<std::string_view, N>& rows) {
  for (std::string_view row : rows) {
    if (row.size() != rows[0].size()) return false;
    for (char c : row) {
      if (c != '#' && c != '.') return false;
    }
  }
  return true;
}
static_assert(well_formed(kGlyphOne));
static_assert(well_formed(kGlyphA));
static_assert(well_formed(kGlyphArrowOntoBar));
static_assert(well_formed(kGlyphTrayA));

// ---------------------------------------------------------------------------
// Colours.

struct Rgb {
  std::uint8_t r, g, b;
};

struct Rgba {
  std::uint8_t r, g, b, a;
};

constexpr Rgb kGreen{124, 253, 53};
constexpr Rgb kCream{242, 240, 218};
constexpr Rgb kCyan{64, 224, 240};

// Integer maths throughout so every compiler produces identical bytes.
constexpr std::uint8_t scale(std::uint8_t c, int num, int den) {
  return static_cast<std::uint8_t>((c * num + den / 2) / den);
}

constexpr Rgb darken(Rgb c, int num, int den) {
  return {scale(c.r, num, den), scale(c.g, num, den), scale(c.b, num, den)};
}

constexpr std::uint8_t toward_white(std::uint8_t c, int num, int den) {
  return static_cast<std::uint8_t>(c + ((255 - c) * num + den / 2) / den);
}

constexpr Rgb lighten(Rgb c, int num, int den) {
  return {toward_white(c.r, num, den), toward_white(c.g, num, den),
          toward_white(c.b, num, den)};
}

// The shading that makes a flat square read as a key: a darker rim, a light
// top edge catching the light and a slightly darker front edge.
struct CapShades {
  Rgb body, rim, highlight, shade;
};

constexpr CapShades shades_for(Rgb body) {
  return {body, darken(body, 2, 3), lighten(body, 1, 2), darken(body, 7, 8)};
}

// ---------------------------------------------------------------------------
// Geometry, in eighths of a pixel so 4x4 supersampling stays in integers.

constexpr int kSub = 8;      // units per pixel
constexpr int kSamples = 4;  // samples per pixel per axis

struct RoundRect {
  int left, top, right, bottom, radius;  // eighths of a pixel, right/bottom exclusive

  constexpr bool contains(int x, int y) const {
    if (x < left || x >= right || y < top || y >= bottom) return false;
    const int cx = std::clamp(x, left + radius, right - radius);
    const int cy = std::clamp(y, top + radius, bottom - radius);
    const int dx = x - cx;
    const int dy = y - cy;
    return dx * dx + dy * dy <= radius * radius;
  }

  constexpr RoundRect inset(int by) const {
    return {left + by, top + by, right - by, bottom - by, radius - by};
  }
};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<Rgba> pixels;  // top row first

  Rgba& at(int x, int y) { return pixels[static_cast<std::size_t>(y * width + x)]; }
  const Rgba& at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y * width + x)];
  }
};

// Colour is the average over the samples the cap covers and alpha is the
// covered fraction, so edges fade out rather than stair-step.
// `band` is the rim's width and the highlight's and the shade's depth, in eighths of a pixel.
Image draw_cap(int size, RoundRect outer, const CapShades& shades, int band) {
  const RoundRect inner = outer.inset(band);
  Image image{size, size, std::vector<Rgba>(static_cast<std::size_t>(size * size))};
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      int covered = 0;
      int r = 0, g = 0, b = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const int x = px * kSub + sx * (kSub / kSamples) + kSub / kSamples / 2;
          const int y = py * kSub + sy * (kSub / kSamples) + kSub / kSamples / 2;
          if (!outer.contains(x, y)) continue;
          Rgb c = shades.rim;
          if (inner.contains(x, y)) {
            if (y < inner.top + band) {
              c = shades.highlight;
            } else if (y >= inner.bottom - band) {
              c = shades.shade;
            } else {
              c = shades.body;
            }
          }
          ++covered;
          r += c.r;
          g += c.g;
          b += c.b;
        }
      }
      constexpr int kTotal = kSamples * kSamples;
      Rgba& out = image.at(px, py);
      if (covered == 0) {
        out = {0, 0, 0, 0};
        continue;
      }
      out.r = static_cast<std::uint8_t>((r + covered / 2) / covered);
      out.g = static_cast<std::uint8_t>((g + covered / 2) / covered);
      out.b = static_cast<std::uint8_t>((b + covered / 2) / covered);
      out.a = static_cast<std::uint8_t>((covered * 255 + kTotal / 2) / kTotal);
    }
  }
  return image;
}

// Percentages of 100 % scale up by `percent`, rounded to whole pixels (half up).
constexpr int scaled(int value, int percent) { return (value * percent + 50) / 100; }

// At other scales than 100 % each hand-placed pixel becomes a block of the nearest whole
// size, so that strokes stay solid black instead of blurring into grey.
void stamp_glyph(Image& image, GlyphRows rows, int percent) {
  const int glyph_height = static_cast<int>(rows.size());
  const int glyph_width = static_cast<int>(rows[0].size());
  const int height = scaled(glyph_height, percent);
  const int width = scaled(glyph_width, percent);
  const int left = (image.width - width) / 2;
  const int top = (image.height - height) / 2;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto row = static_cast<std::size_t>(y * glyph_height / height);
      const auto column = static_cast<std::size_t>(x * glyph_width / width);
      if (rows[row][column] != '#') continue;
      Rgba& p = image.at(left + x, top + y);
      p.r = p.g = p.b = 0;
    }
  }
}

// ---------------------------------------------------------------------------
// File encoders.

void put16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void put32(Bytes& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kPixelsPerMetre96Dpi = 3780;

void put_info_header(Bytes& out, int width, int height, int bits,
                     std::uint32_t image_size, std::uint32_t colours_used = 0) {
  put32(out, kInfoHeaderSize);
  put32(out, static_cast<std::uint32_t>(width));
  put32(out, static_cast<std::uint32_t>(height));  // positive: bottom-up rows
  put16(out, 1);                                   // planes
  put16(out, static_cast<std::uint32_t>(bits));
  put32(out, 0);  // BI_RGB
  put32(out, image_size);
  put32(out, kPixelsPerMetre96Dpi);
  put32(out, kPixelsPerMetre96Dpi);
  put32(out, colours_used);
  put32(out, 0);  // colours important
}

using Bgr = std::array<std::uint8_t, 3>;

// The file header of a BMP whose pixels start at `offset`.
Bytes start_bmp_file(std::uint32_t offset, std::uint32_t pixel_bytes) {
  Bytes out;
  out.reserve(offset + pixel_bytes);
  out.push_back('B');
  out.push_back('M');
  put32(out, offset + pixel_bytes);
  put32(out, 0);  // reserved
  put32(out, offset);
  return out;
}

// A BMP has no alpha, so the cap is composited onto black here; that is also what makes the
// margin and the cut-off corners pure black.
Bgr composited(const Rgba& p) { return {scale(p.b, p.a, 255), scale(p.g, p.a, 255), scale(p.r, p.a, 255)}; }

// A cap has a few dozen colours, so the larger scales are stored as 8-bit pictures with a
// palette of exactly their own colours: the same pixels in a third of the bytes, which keeps
// five scales of pictures from doubling the program's size.
Bytes encode_indexed_bmp(const Image& image) {
  constexpr std::uint32_t kFileHeaderSize = 14;
  std::vector<Bgr> palette;
  std::vector<std::uint8_t> indices;
  indices.reserve(static_cast<std::size_t>(image.width * image.height));
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const Bgr c = composited(image.at(x, y));
      auto it = std::find(palette.begin(), palette.end(), c);
      if (it == palette.end()) {
        if (palette.size() == 256) throw std::invalid_argument("more than 256 colours in one picture");
        it = palette.insert(palette.end(), c);
      }
      indices.push_back(static_cast<std::uint8_t>(it - palette.begin()));
    }
  }
  const auto colours = static_cast<std::uint32_t>(palette.size());
  const std::uint32_t stride = static_cast<std::uint32_t>((image.width + 3) / 4 * 4);
  const std::uint32_t pixel_bytes = stride * static_cast<std::uint32_t>(image.height);
  const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize + 4 * colours;

  Bytes out = start_bmp_file(offset, pixel_bytes);
  put_info_header(out, image.width, image.height, 8, pixel_bytes, colours);
  for (const Bgr& c : palette) {
    out.insert(out.end(), c.begin(), c.end());
    out.push_back(0);
  }
  for (int row = 0; row < image.height; ++row) {
    const auto first = indices.begin() + row * image.width;
    out.insert(out.end(), first, first + image.width);
    out.resize(out.size() + (stride - static_cast<std::uint32_t>(image.width)), 0);
  }
  return out;
}

// The 100 % caps stay true-colour bitmaps, as they were first drawn.
Bytes encode_bmp(const Image& image) {
  constexpr std::uint32_t kFileHeaderSize = 14;
  const std::uint32_t stride = static_cast<std::uint32_t>((image.width * 3 + 3) / 4 * 4);
  const std::uint32_t pixel_bytes = stride * static_cast<std::uint32_t>(image.height);
  const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize;

  Bytes out = start_bmp_file(offset, pixel_bytes);
  put_info_header(out, image.width, image.height, 24, pixel_bytes);

  for (int y = image.height - 1; y >= 0; --y) {
    const std::size_t row_start = out.size();
    for (int x = 0; x < image.width; ++x) {
      const Bgr c = composited(image.at(x, y));
      out.insert(out.end(), c.begin(), c.end());
    }
    out.resize(row_start + stride, 0);
  }
  return out;
}

// One 32-bit image per icon: the alpha channel does the masking, so the AND
// mask is left all zero (it must still be present, hence the doubled height).
Bytes encode_ico(const Image& image) {
  constexpr std::uint32_t kDirSize = 6;
  constexpr std::uint32_t kEntrySize = 16;
  const std::uint32_t xor_bytes = static_cast<std::uint32_t>(image.width * image.height * 4);
  const std::uint32_t mask_stride = static_cast<std::uint32_t>((image.width + 31) / 32 * 4);
  const std::uint32_t and_bytes = mask_stride * static_cast<std::uint32_t>(image.height);
  const std::uint32_t image_bytes = kInfoHeaderSize + xor_bytes + and_bytes;

  Bytes out;
  out.reserve(kDirSize + kEntrySize + image_bytes);
  put16(out, 0);  // reserved
  put16(out, 1);  // type: icon
  put16(out, 1);  // image count
  out.push_back(static_cast<std::uint8_t>(image.width));
  out.push_back(static_cast<std::uint8_t>(image.height));
  out.push_back(0);  // palette size
  out.push_back(0);  // reserved
  put16(out, 1);     // planes
  put16(out, 32);    // bits per pixel
  put32(out, image_bytes);
  put32(out, kDirSize + kEntrySize);

  put_info_header(out, image.width, image.height * 2, 32, xor_bytes + and_bytes);
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const Rgba& p = image.at(x, y);
      out.push_back(p.b);
      out.push_back(p.g);
      out.push_back(p.r);
      out.push_back(p.a);
    }
  }
  out.resize(out.size() + and_bytes, 0);
  return out;
}

// ---------------------------------------------------------------------------
// The pictures themselves.

// 1 px black margin round a 22 px cap, at 100 %.
constexpr int kStripSize = 24;
constexpr int kStripMargin = 1 * kSub;
constexpr int kStripRadius = 5 * kSub;

// The tray cap fills the icon; transparency supplies the corners.
constexpr int kTraySize = 16;
constexpr int kTrayRadius = 3 * kSub + kSub / 2;

// The scales every picture is drawn at; 100 % keeps the plain file name, the others end in
// "_<percent>" before the extension.
constexpr std::array<int, 5> kScalePercents = {100, 125, 150, 175, 200};

enum class Kind { kStripBitmap, kTrayIcon };

struct PictureRecipe {
  std::string_view file_name;
  Kind kind;
  GlyphRows glyph;
  Rgb colour;
};

constexpr std::array<PictureRecipe, 9> kRecipes = {{
    {"n_on.bmp", Kind::kStripBitmap, kGlyphOne, kGreen},
    {"n_off.bmp", Kind::kStripBitmap, kGlyphOne, kCream},
    {"c_on.bmp", Kind::kStripBitmap, kGlyphA, kGreen},
    {"c_off.bmp", Kind::kStripBitmap, kGlyphA, kCream},
    {"s_on.bmp", Kind::kStripBitmap, kGlyphArrowOntoBar, kGreen},
    {"s_off.bmp", Kind::kStripBitmap, kGlyphArrowOntoBar, kCream},
    {"tray_cream.ico", Kind::kTrayIcon, kGlyphTrayA, kCream},
    {"tray_green.ico", Kind::kTrayIcon, kGlyphTrayA, kGreen},
    {"tray_cyan.ico", Kind::kTrayIcon, kGlyphTrayA, kCyan},
}};

std::string scaled_file_name(std::string_view base, int percent) {
  if (percent == 100) return std::string(base);
  const std::size_t dot = base.rfind('.');
  return std::string(base.substr(0, dot)) + "_" + std::to_string(percent) + std::string(base.substr(dot));
}

struct NamedPicture {
  std::string file_name;
  const PictureRecipe* recipe;
  int percent;
};

// Scale by scale, each in the order of kRecipes: the 100 % set comes first, as before.
const std::vector<NamedPicture>& named_pictures() {
  static const std::vector<NamedPicture> pictures = [] {
    std::vector<NamedPicture> all;
    for (int percent : kScalePercents)
      for (const PictureRecipe& recipe : kRecipes)
        all.push_back({scaled_file_name(recipe.file_name, percent), &recipe, percent});
    return all;
  }();
  return pictures;
}

Bytes draw(const PictureRecipe& recipe, int percent) {
  const int band = scaled(kSub, percent);
  if (recipe.kind == Kind::kStripBitmap) {
    const int size = scaled(kStripSize, percent);
    const int margin = scaled(kStripMargin, percent);
    const RoundRect cap{margin, margin, size * kSub - margin, size * kSub - margin, scaled(kStripRadius, percent)};
    Image image = draw_cap(size, cap, shades_for(recipe.colour), band);
    stamp_glyph(image, recipe.glyph, percent);
    return percent == 100 ? encode_bmp(image) : encode_indexed_bmp(image);
  }
  const int size = scaled(kTraySize, percent);
  const RoundRect cap{0, 0, size * kSub, size * kSub, scaled(kTrayRadius, percent)};
  Image image = draw_cap(size, cap, shades_for(recipe.colour), band);
  stamp_glyph(image, recipe.glyph, percent);
  return encode_ico(image);
}

}  // namespace

std::span<const std::string_view> picture_file_names() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> all;
    for (const NamedPicture& p : named_pictures()) all.push_back(p.file_name);
    return all;
  }();
  return names;
}

Bytes draw_picture_file(std::string_view file_name) {
  for (const NamedPicture& p : named_pictures())
    if (p.file_name == file_name) return draw(*p.recipe, p.percent);
  throw std::invalid_argument("no picture named " + std::string(file_name));
}

}  // namespace forms::picture_drawing
