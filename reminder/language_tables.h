#pragma once
#include <array>
#include <cstdint>
#include <string_view>

// Which message file and which font go with the user's UI language identifier.
namespace reminder {

// Unused id slots are 0, which no language has.
struct CodeRow {
  std::u16string_view code;
  std::array<std::uint16_t, 19> ids;
};

struct FontRow {
  std::array<std::uint16_t, 4> ids;
  std::string_view face;  // 8-bit, in the code page of the character set
  std::uint8_t charset;
  int size_pt;
};

inline constexpr std::u16string_view kDefaultLanguageCode = u"0409";

inline constexpr std::array<CodeRow, 26> CodeTable{{
    {u"0401", {0x0401, 0x0801, 0x0C01, 0x1001, 0x1401, 0x1801, 0x1C01, 0x2001, 0x2401, 0x2801, 0x2C01, 0x3001,
               0x3401, 0x3801, 0x3C01, 0x4001}},
    {u"0404", {0x0404, 0x0C04, 0x1004, 0x1404}},
    {u"0804", {0x0804}},
    {u"0405", {0x0405}},
    {u"0406", {0x0406}},
    {u"0407", {0x0407, 0x0807, 0x0C07, 0x1007, 0x1407}},
    {u"0408", {0x0408}},
    {u"040a", {0x040A, 0x0C0A, 0x100A, 0x140A, 0x180A, 0x1C0A, 0x200A, 0x240A, 0x280A, 0x2C0A, 0x300A, 0x340A,
               0x380A, 0x3C0A, 0x400A, 0x440A, 0x480A, 0x4C0A, 0x500A}},
    {u"080a", {0x080A}},
    {u"040b", {0x040B}},
    {u"040c", {0x040C, 0x080C, 0x0C0C, 0x100C, 0x140C, 0x180C}},
    {u"040d", {0x040D}},
    {u"040e", {0x040E}},
    {u"0410", {0x0410, 0x0810}},
    {u"0411", {0x0411}},
    {u"0412", {0x0412}},
    {u"0413", {0x0413, 0x0813}},
    {u"0414", {0x0414, 0x0814}},
    {u"0415", {0x0415}},
    {u"0416", {0x0416}},
    {u"0816", {0x0816}},
    {u"0419", {0x0419}},
    {u"041b", {0x041B}},
    {u"041d", {0x041D, 0x081D}},
    {u"041e", {0x041E}},
    {u"041f", {0x041F}},
}};

inline constexpr std::array<FontRow, 5> FontTable{{
    // The Traditional Chinese face name, in Big5.
    {{0x0404, 0x0C04, 0x1004, 0x1404}, "\xB7\x73\xB2\xD3\xA9\xFA\xC5\xE9", 136, 10},
    {{0x0804}, "SimSun-18030", 134, 9},
    {{0x0411}, "MS PGothic", 128, 9},
    {{0x0412}, "Dotum", 129, 9},
    {{0x041F}, "Arial", 1, 8},
}};

}  // namespace reminder
