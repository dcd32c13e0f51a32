// Checks the checked-in key-cap pictures and tray icons by decoding them
// independently of the drawing code, and that the drawing code still
// reproduces them byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "picture_drawing.h"
#include "picture_ids.h"

#ifndef PICTURES_DIR
#error "PICTURES_DIR must name the folder holding the checked-in pictures"
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes read_file(const std::string& name) {
  std::ifstream in(std::string(PICTURES_DIR) + "/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + name);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t u16(const Bytes& b, std::size_t at) {
  if (at + 2 > b.size()) throw std::runtime_error("truncated");
  return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t u32(const Bytes& b, std::size_t at) {
  return u16(b, at) | (u16(b, at + 2) << 16);
}

std::int32_t i32(const Bytes& b, std::size_t at) { return static_cast<std::int32_t>(u32(b, at)); }

struct Pixel {
  int r, g, b, a;
};

struct Decoded {
  int width = 0;
  int height = 0;
  int bits = 0;
  std::vector<Pixel> pixels;  // top row first

  const Pixel& at(int x, int y) const { return pixels.at(static_cast<std::size_t>(y * width + x)); }
};

void require(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(what);
}

// Reads a BITMAPINFOHEADER image at `at`; `rows` is the number of colour rows
// (an icon's header height also counts its AND mask).
Decoded decode_dib(const Bytes& file, std::size_t at, std::size_t pixels_at, int rows) {
  require(u32(file, at) == 40, "not a BITMAPINFOHEADER");
  Decoded d;
  d.width = i32(file, at + 4);
  d.height = rows;
  require(u16(file, at + 12) == 1, "planes != 1");
  d.bits = static_cast<int>(u16(file, at + 14));
  require(u32(file, at + 16) == 0, "compressed");
  require(d.bits == 8 || d.bits == 24 || d.bits == 32, "unsupported depth");
  const int bytes_pp = d.bits / 8;
  // An 8-bit picture's palette follows its header: colours used, or all 256.
  const std::size_t colours = d.bits == 8 ? (u32(file, at + 32) ? u32(file, at + 32) : 256) : 0;
  require(colours <= 256 && at + 40 + 4 * colours <= pixels_at, "palette overlaps the pixels");
  const std::size_t stride = static_cast<std::size_t>((d.width * bytes_pp + 3) / 4 * 4);
  require(pixels_at + stride * static_cast<std::size_t>(rows) <= file.size(), "pixels truncated");
  d.pixels.resize(static_cast<std::size_t>(d.width * d.height));
  for (int y = 0; y < d.height; ++y) {
    // Bottom-up: the first stored row is the bottom of the picture.
    const std::size_t row = pixels_at + stride * static_cast<std::size_t>(d.height - 1 - y);
    for (int x = 0; x < d.width; ++x) {
      std::size_t p = row + static_cast<std::size_t>(x * bytes_pp);
      if (d.bits == 8) {
        require(file[p] < colours, "pixel outside the palette");
        p = at + 40 + 4 * static_cast<std::size_t>(file[p]);
      }
      d.pixels[static_cast<std::size_t>(y * d.width + x)] = {
          file[p + 2], file[p + 1], file[p], bytes_pp == 4 ? file[p + 3] : 255};
    }
  }
  return d;
}

Decoded decode_bmp(const Bytes& file) {
  require(file.size() >= 54 && file[0] == 'B' && file[1] == 'M', "not a BMP");
  require(u32(file, 2) == file.size(), "file size field is wrong");
  const std::int32_t height = i32(file, 22);
  require(height > 0, "not a bottom-up BMP");
  return decode_dib(file, 14, u32(file, 10), height);
}

Decoded decode_ico(const Bytes& file) {
  require(u16(file, 0) == 0 && u16(file, 2) == 1 && u16(file, 4) == 1, "not a one-image icon");
  const int entry_w = file.at(6) == 0 ? 256 : file.at(6);
  const int entry_h = file.at(7) == 0 ? 256 : file.at(7);
  require(u16(file, 10) == 1 && u16(file, 12) == 32, "directory entry is not 32-bit");
  const std::uint32_t size = u32(file, 14);
  const std::uint32_t offset = u32(file, 18);
  require(offset + size == file.size(), "image extent does not match the file");
  require(i32(file, offset + 4) == entry_w, "header width disagrees with directory");
  require(i32(file, offset + 8) == 2 * entry_h, "header height is not colour + mask");
  Decoded d = decode_dib(file, offset, offset + 40, entry_h);

  // Any set AND-mask bit would punch a hole through the alpha-blended image.
  const std::size_t xor_bytes = static_cast<std::size_t>(d.width * d.height * 4);
  const std::size_t mask_stride = static_cast<std::size_t>((d.width + 31) / 32 * 4);
  const std::size_t mask_at = offset + 40 + xor_bytes;
  require(mask_at + mask_stride * static_cast<std::size_t>(d.height) == file.size(),
          "AND mask missing or mis-sized");
  require(std::all_of(file.begin() + static_cast<std::ptrdiff_t>(mask_at), file.end(),
                      [](std::uint8_t b) { return b == 0; }),
          "AND mask is not clear");
  return d;
}

bool is_ink(const Pixel& p) { return p.a == 255 && p.r < 40 && p.g < 40 && p.b < 40; }

bool near(const Pixel& p, const Pixel& want, int tolerance = 12) {
  return std::abs(p.r - want.r) <= tolerance && std::abs(p.g - want.g) <= tolerance &&
         std::abs(p.b - want.b) <= tolerance;
}

std::string describe(const Pixel& p) {
  return "(" + std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b) +
         "," + std::to_string(p.a) + ")";
}

// Ink inside the cap's face, away from the rim and its anti-aliased corners.
std::vector<bool> glyph_mask(const Decoded& d, int margin) {
  std::vector<bool> mask;
  for (int y = margin; y < d.height - margin; ++y) {
    for (int x = margin; x < d.width - margin; ++x) mask.push_back(is_ink(d.at(x, y)));
  }
  return mask;
}

int ink_in(const Decoded& d, int from, int to) {
  int count = 0;
  for (int y = from; y < to; ++y) {
    for (int x = from; x < to; ++x) count += is_ink(d.at(x, y));
  }
  return count;
}

// Width from the leftmost to the rightmost ink pixel of each inked row, top
// row first, looking only inside the face.
std::vector<int> ink_row_spans(const Decoded& d, int margin) {
  std::vector<int> spans;
  for (int y = margin; y < d.height - margin; ++y) {
    int first = -1, last = -1;
    for (int x = margin; x < d.width - margin; ++x) {
      if (!is_ink(d.at(x, y))) continue;
      if (first < 0) first = x;
      last = x;
    }
    if (first >= 0) spans.push_back(last - first + 1);
  }
  return spans;
}

constexpr Pixel kGreen{124, 253, 53, 255};
constexpr Pixel kCream{242, 240, 218, 255};
constexpr Pixel kCyan{64, 224, 240, 255};

// ---------------------------------------------------------------------------
// Strip pictures.

struct CapCase {
  const char* file;
  Pixel colour;
};

void PrintTo(const CapCase& c, std::ostream* os) { *os << c.file; }

class StripPicture : public ::testing::TestWithParam<CapCase> {
 protected:
  Decoded picture() const { return decode_bmp(read_file(GetParam().file)); }
};

TEST_P(StripPicture, IsA24By24TrueColourBitmap) {
  Decoded d;
  ASSERT_NO_THROW(d = picture());
  EXPECT_EQ(d.width, 24);
  EXPECT_EQ(d.height, 24);
  EXPECT_EQ(d.bits, 24);
}

TEST_P(StripPicture, MarginAndCornersArePureBlack) {
  const Decoded d = picture();
  // The strip's background is black, so anything but pure black in the
  // margin would show as a faint box round the cap.
  for (int i = 0; i < 24; ++i) {
    for (const auto& [x, y] : {std::pair{i, 0}, {i, 23}, {0, i}, {23, i}}) {
      const Pixel& p = d.at(x, y);
      EXPECT_TRUE(p.r == 0 && p.g == 0 && p.b == 0) << "(" << x << "," << y << ") " << describe(p);
    }
  }
  // Just inside the margin the rounded corner is still cut away.
  for (const auto& [x, y] : {std::pair{1, 1}, {22, 1}, {1, 22}, {22, 22}}) {
    const Pixel& p = d.at(x, y);
    EXPECT_LT(p.r + p.g + p.b, 60) << "(" << x << "," << y << ") " << describe(p);
  }
}

TEST_P(StripPicture, FaceHasTheStateColourAwayFromTheGlyph) {
  const Decoded d = picture();
  for (const auto& [x, y] : {std::pair{4, 12}, {19, 12}, {4, 4}, {19, 19}, {12, 20}}) {
    EXPECT_TRUE(near(d.at(x, y), GetParam().colour))
        << "(" << x << "," << y << ") " << describe(d.at(x, y));
  }
}

TEST_P(StripPicture, GlyphIsInkedInTheCentre) {
  const Decoded d = picture();
  EXPECT_GE(ink_in(d, 6, 18), 25);
  // And it is a glyph, not a flood: most of the centre stays cap-coloured.
  EXPECT_LE(ink_in(d, 6, 18), 12 * 12 / 2);
}

TEST_P(StripPicture, GlyphIsUpright) {
  // Every glyph starts from a narrow tip (the 1's top, the A's apex, the
  // arrow's tail) and ends on a wide foot, so a row-order slip shows here.
  const auto spans = ink_row_spans(picture(), 3);
  ASSERT_GE(spans.size(), 2u);
  EXPECT_LE(spans.front(), 2);
  EXPECT_GE(spans.back(), 6);
}

INSTANTIATE_TEST_SUITE_P(AllCaps, StripPicture,
                         ::testing::Values(CapCase{"n_on.bmp", kGreen}, CapCase{"n_off.bmp", kCream},
                                           CapCase{"c_on.bmp", kGreen}, CapCase{"c_off.bmp", kCream},
                                           CapCase{"s_on.bmp", kGreen}, CapCase{"s_off.bmp", kCream}),
                         [](const auto& info) {
                           std::string name = info.param.file;
                           return name.substr(0, name.find('.'));
                         });

TEST(StripGlyphs, OnAndOffShareTheGlyphAndEachLockHasItsOwn) {
  const struct {
    const char* on;
    const char* off;
  } kPairs[] = {{"n_on.bmp", "n_off.bmp"}, {"c_on.bmp", "c_off.bmp"}, {"s_on.bmp", "s_off.bmp"}};

  std::set<std::vector<bool>> distinct;
  for (const auto& pair : kPairs) {
    const auto on = glyph_mask(decode_bmp(read_file(pair.on)), 3);
    const auto off = glyph_mask(decode_bmp(read_file(pair.off)), 3);
    // Otherwise the cap would appear to shift when the lock toggles.
    EXPECT_EQ(on, off) << pair.on << " vs " << pair.off;
    distinct.insert(on);
  }
  EXPECT_EQ(distinct.size(), std::size(kPairs)) << "two locks share a glyph";
}

TEST(StripGlyphs, TheOnesFlagPointsLeft) {
  // The 1 is the only asymmetric glyph, so it is the one that shows a mirror.
  const Decoded d = decode_bmp(read_file("n_on.bmp"));
  int left = 0, right = 0;
  for (int y = 6; y < 11; ++y) {
    for (int x = 3; x < 21; ++x) (x < 12 ? left : right) += is_ink(d.at(x, y));
  }
  EXPECT_GT(left, right);
}

// ---------------------------------------------------------------------------
// Tray icons.

struct IconCase {
  const char* file;
  Pixel colour;
};

void PrintTo(const IconCase& c, std::ostream* os) { *os << c.file; }

class TrayIcon : public ::testing::TestWithParam<IconCase> {
 protected:
  Decoded icon() const { return decode_ico(read_file(GetParam().file)); }
};

TEST_P(TrayIcon, IsA16By16AlphaIcon) {
  Decoded d;
  ASSERT_NO_THROW(d = icon());
  EXPECT_EQ(d.width, 16);
  EXPECT_EQ(d.height, 16);
  EXPECT_EQ(d.bits, 32);
}

TEST_P(TrayIcon, CornersAreTransparentAndTheFaceIsOpaque) {
  const Decoded d = icon();
  for (const auto& [x, y] : {std::pair{0, 0}, {15, 0}, {0, 15}, {15, 15}}) {
    EXPECT_EQ(d.at(x, y).a, 0) << "(" << x << "," << y << ")";
  }
  for (int y = 1; y < 15; ++y) {
    for (int x = 1; x < 15; ++x) {
      const bool corner = (x == 1 || x == 14) && (y == 1 || y == 14);
      if (corner) continue;
      EXPECT_EQ(d.at(x, y).a, 255) << "(" << x << "," << y << ")";
    }
  }
}

TEST_P(TrayIcon, CentreHoldsInkAndCapColour) {
  const Decoded d = icon();
  EXPECT_GE(ink_in(d, 4, 12), 16);
  int cap_coloured = 0;
  for (int y = 4; y < 12; ++y) {
    for (int x = 4; x < 12; ++x) cap_coloured += near(d.at(x, y), GetParam().colour);
  }
  // The counter and the space round the legs must read as the cap colour.
  EXPECT_GE(cap_coloured, 12);
}

TEST_P(TrayIcon, GlyphIsUpright) {
  const auto spans = ink_row_spans(icon(), 2);
  ASSERT_GE(spans.size(), 2u);
  EXPECT_LE(spans.front(), 2);
  EXPECT_GE(spans.back(), 6);
}

INSTANTIATE_TEST_SUITE_P(AllIcons, TrayIcon,
                         ::testing::Values(IconCase{"tray_cream.ico", kCream},
                                           IconCase{"tray_green.ico", kGreen},
                                           IconCase{"tray_cyan.ico", kCyan}),
                         [](const auto& info) {
                           std::string name = info.param.file;
                           return name.substr(0, name.find('.'));
                         });

TEST(TrayGlyphs, AllTrayIconsShareOneGlyph) {
  const auto cream = glyph_mask(decode_ico(read_file("tray_cream.ico")), 2);
  EXPECT_EQ(glyph_mask(decode_ico(read_file("tray_green.ico")), 2), cream);
  EXPECT_EQ(glyph_mask(decode_ico(read_file("tray_cyan.ico")), 2), cream);
}

// ---------------------------------------------------------------------------
// The drawing code and the checked-in files.

TEST(PictureFiles, RedrawingReproducesTheCheckedInFiles) {
  for (std::string_view name : forms::picture_drawing::picture_file_names()) {
    const std::string file(name);
    EXPECT_TRUE(forms::picture_drawing::draw_picture_file(name) == read_file(file))
        << file << " is stale; redraw it (see README.md)";
  }
}

TEST(PictureFiles, ResourceScriptNamesExactlyTheDrawnFiles) {
  const Bytes rc = read_file("pictures.rc");
  const std::string text(rc.begin(), rc.end());
  const std::regex entry(R"((BITMAP|ICON)\s+\"([^\"]+)\")");
  std::set<std::string> in_script;
  for (std::sregex_iterator it(text.begin(), text.end(), entry), end; it != end; ++it) {
    in_script.insert((*it)[2].str());
  }
  const auto names = forms::picture_drawing::picture_file_names();
  EXPECT_EQ(in_script, std::set<std::string>(names.begin(), names.end()));
}

TEST(PictureFiles, UnknownNameIsRejected) {
  EXPECT_THROW(forms::picture_drawing::draw_picture_file("n_on.png"), std::invalid_argument);
  EXPECT_THROW(forms::picture_drawing::draw_picture_file(""), std::invalid_argument);
}

// ---------------------------------------------------------------------------
// The pictures drawn for displays at other scales than 100 %.

struct ScaleCase {
  int percent;
  int cap_size;
  int icon_size;
};

constexpr ScaleCase kScales[] = {{125, 30, 20}, {150, 36, 24}, {175, 42, 28}, {200, 48, 32}};

std::string at_scale(const std::string& file, int percent) {
  const std::size_t dot = file.rfind('.');
  return file.substr(0, dot) + "_" + std::to_string(percent) + file.substr(dot);
}

TEST(ScaledPictures, HaveTheScaledSizeTheStateColourAndTheGlyphOfTheirLock) {
  const CapCase caps[] = {{"n_on.bmp", kGreen}, {"n_off.bmp", kCream}, {"c_on.bmp", kGreen},
                          {"c_off.bmp", kCream}, {"s_on.bmp", kGreen}, {"s_off.bmp", kCream}};
  const IconCase icons[] = {{"tray_cream.ico", kCream}, {"tray_green.ico", kGreen}, {"tray_cyan.ico", kCyan}};
  for (const ScaleCase& scale : kScales) {
    const int n = scale.cap_size;
    for (const CapCase& cap : caps) {
      const std::string file = at_scale(cap.file, scale.percent);
      Decoded d;
      ASSERT_NO_THROW(d = decode_bmp(read_file(file))) << file;
      EXPECT_EQ(d.width, n) << file;
      EXPECT_EQ(d.height, n) << file;
      EXPECT_EQ(d.bits, 8) << file;  // stored with a palette of their own colours
      const Pixel& corner = d.at(0, 0);
      EXPECT_TRUE(corner.r == 0 && corner.g == 0 && corner.b == 0) << file << " " << describe(corner);
      // Left and right of the glyph, at the middle height, the face shows the state colour.
      for (const auto& [x, y] : {std::pair{n / 6, n / 2}, {n - 1 - n / 6, n / 2}})
        EXPECT_TRUE(near(d.at(x, y), cap.colour)) << file << " (" << x << "," << y << ") " << describe(d.at(x, y));
      const auto spans = ink_row_spans(d, n / 8);
      ASSERT_GE(spans.size(), 2u) << file;
      EXPECT_LT(spans.front(), spans.back()) << file << " is upside down";
    }
    for (const IconCase& icon : icons) {
      const std::string file = at_scale(icon.file, scale.percent);
      Decoded d;
      ASSERT_NO_THROW(d = decode_ico(read_file(file))) << file;
      EXPECT_EQ(d.width, scale.icon_size) << file;
      EXPECT_EQ(d.height, scale.icon_size) << file;
      EXPECT_EQ(d.at(0, 0).a, 0) << file;
      EXPECT_EQ(d.at(d.width / 2, 1).a, 255) << file;
      const Pixel& face = d.at(d.width / 5, d.height / 2);  // inside the rim, left of the glyph
      EXPECT_TRUE(near(face, icon.colour)) << file << " " << describe(face);
    }
  }
}

// At 200 % every pixel of the hand-placed glyph is a 2 x 2 block in the same place: the
// glyph is neither shifted nor resampled.
TEST(ScaledPictures, AtTwiceTheSizeTheGlyphIsThe100PercentGlyphDoubled) {
  for (const char* file : {"n_on.bmp", "c_off.bmp", "s_on.bmp", "tray_green.ico"}) {
    const std::string name = file;
    const bool icon = name.ends_with(".ico");
    const Decoded one = icon ? decode_ico(read_file(name)) : decode_bmp(read_file(name));
    const Decoded two = icon ? decode_ico(read_file(at_scale(name, 200))) : decode_bmp(read_file(at_scale(name, 200)));
    ASSERT_EQ(two.width, 2 * one.width) << name;
    for (int y = 3; y < one.height - 3; ++y)
      for (int x = 3; x < one.width - 3; ++x)
        for (const auto& [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}})
          EXPECT_EQ(is_ink(two.at(2 * x + dx, 2 * y + dy)), is_ink(one.at(x, y)))
              << name << " at 100 % (" << x << "," << y << ")";
  }
}

TEST(ScaledPictures, ResourceIdsAreThe100PercentIdsPlus1000PerScaleStep) {
  const std::map<std::string, int> base_ids = {
      {"n_on.bmp", IDB_N_ON},    {"n_off.bmp", IDB_N_OFF},        {"c_on.bmp", IDB_C_ON},
      {"c_off.bmp", IDB_C_OFF},  {"s_on.bmp", IDB_S_ON},          {"s_off.bmp", IDB_S_OFF},
      {"tray_cream.ico", IDI_TRAY_CREAM}, {"tray_green.ico", IDI_TRAY_GREEN}, {"tray_cyan.ico", IDI_TRAY_CYAN}};
  const Bytes rc = read_file("pictures.rc");
  const std::string text(rc.begin(), rc.end());
  std::map<std::string, int> ids;
  const std::regex numbered(R"((\d+)\s+(BITMAP|ICON)\s+\"([^\"]+)\")");
  for (std::sregex_iterator it(text.begin(), text.end(), numbered), end; it != end; ++it)
    ids[(*it)[3].str()] = std::stoi((*it)[1].str());
  for (std::size_t step = 1; step <= std::size(kScales); ++step) {
    for (const auto& [file, id] : base_ids) {
      const std::string scaled = at_scale(file, kScales[step - 1].percent);
      ASSERT_TRUE(ids.count(scaled)) << scaled << " has no numbered resource";
      EXPECT_EQ(ids[scaled], id + 1000 * static_cast<int>(step)) << scaled;
    }
  }
}

}  // namespace
