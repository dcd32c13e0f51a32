#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "forms/remind_dlg_layout.h"
#include "platform/headless_files.h"
#include "platform/headless_system.h"
#include "reminder/language.h"
#include "shell/settings.h"

// The shipped message files, read from the source tree as the installation copies them.
namespace reminder {
namespace {

namespace fs = std::filesystem;
constexpr char16_t kInstallDir[] = u"C:\\Program Files\\ledglow";

std::string Narrow(std::u16string_view code) { return std::string(code.begin(), code.end()); }

fs::path FileOf(std::u16string_view code) { return fs::path(LEDGLOW_VXQ_DIR) / ("LNG_" + Narrow(code) + ".vxq"); }

std::u16string InstalledName(std::u16string_view code) {
  return std::u16string(kInstallDir) + u"\\VXQ\\LNG_" + std::u16string(code) + u".vxq";
}

// Which file each UI language identifier must get, written out here rather than read from the
// program's own table, so a mistyped identifier there cannot agree with itself.
struct LanguageRow {
  std::u16string_view code;
  std::vector<std::uint16_t> ids;
};
const LanguageRow kLanguages[] = {
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
};
constexpr std::u16string_view kEnglish = u"0409";

std::vector<std::u16string> ShippedCodes() {
  std::vector<std::u16string> codes{std::u16string(kEnglish)};
  for (const LanguageRow& row : kLanguages) codes.emplace_back(row.code);
  return codes;
}

// GetPrivateProfileStringW reads UTF-16 only behind a little-endian byte-order mark; any other
// form would show as garbage, so this is what every file must be.
std::optional<std::u16string> DecodeUtf16Le(const std::vector<unsigned char>& bytes) {
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE || bytes.size() % 2 != 0) return std::nullopt;
  std::u16string text;
  for (std::size_t i = 0; i < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  return text;
}

std::vector<unsigned char> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class MessageFile : public testing::TestWithParam<std::u16string> {};

TEST_P(MessageFile, IsUtf16WithMarkAndGivesAllThreeTexts) {
  const std::u16string code = GetParam();
  ASSERT_TRUE(fs::exists(FileOf(code))) << FileOf(code);
  const auto text = DecodeUtf16Le(Bytes(FileOf(code)));
  ASSERT_TRUE(text) << "not UTF-16LE with a byte-order mark";
  for (std::size_t i = text->find(u'\n'); i != std::u16string::npos; i = text->find(u'\n', i + 1))
    EXPECT_TRUE(i > 0 && (*text)[i - 1] == u'\r') << "line end without CR at " << i;

  plat::HeadlessFiles files;
  files.Add(InstalledName(code), *text);
  const struct {
    int number;
    std::u16string_view key;
  } texts[] = {{32, u"S032"}, {75, u"S075"}, {76, u"S076"}};
  for (const auto& [number, key] : texts) {
    const std::u16string value = ReadMessageText(files, u"MSG", number, InstalledName(code));
    EXPECT_NE(value, key) << "missing " << Narrow(key);
    EXPECT_FALSE(value.empty()) << Narrow(key);
    EXPECT_LT(value.size(), kMessageTextLimit) << Narrow(key) << " would be cut";
  }
}

TEST_P(MessageFile, IsTranslatedNotACopyOfTheDesign) {
  const std::u16string code = GetParam();
  if (code == kEnglish) GTEST_SKIP() << "the design language";
  const auto text = DecodeUtf16Le(Bytes(FileOf(code)));
  ASSERT_TRUE(text);
  plat::HeadlessFiles files;
  files.Add(InstalledName(code), *text);
  namespace layout = forms::remind_dlg;
  EXPECT_NE(ReadMessageText(files, u"MSG", 32, InstalledName(code)), layout::kTntLabel1.text);
  EXPECT_NE(ReadMessageText(files, u"MSG", 75, InstalledName(code)), layout::kTntCheckBox1.text);
}

INSTANTIATE_TEST_SUITE_P(Shipped, MessageFile, testing::ValuesIn(ShippedCodes()),
                         [](const testing::TestParamInfo<std::u16string>& info) { return "LNG_" + Narrow(info.param); });

// Each listed identifier finds its own language's file where the program looks for it.
TEST(MessageFiles, EveryLanguageIdentifierFindsItsOwnFile) {
  plat::HeadlessFiles files;
  for (const std::u16string& code : ShippedCodes())
    if (const auto text = DecodeUtf16Le(Bytes(FileOf(code)))) files.Add(InstalledName(code), *text);
  for (const LanguageRow& row : kLanguages) {
    for (std::uint16_t id : row.ids) {
      plat::HeadlessSystem system;
      system.ui_language = id;
      shell::ProgramState state;
      std::copy(std::begin(kInstallDir), std::end(kInstallDir) - 1, state.message_file_name.begin());
      tk::Font hint;
      EXPECT_TRUE(SelectLanguage(state.language_font, hint, state, system, files)) << std::hex << id;
      EXPECT_EQ(std::u16string(state.message_file_name.data()), InstalledName(row.code)) << std::hex << id;
    }
  }
}

// Every identifier without a row, 0 included, gets the English file.
TEST(MessageFiles, EveryOtherIdentifierGetsEnglish) {
  std::vector<std::u16string_view> expected(0x10000, kEnglish);
  for (const LanguageRow& row : kLanguages)
    for (std::uint16_t id : row.ids) expected[id] = row.code;
  int wrong = 0;
  for (std::uint32_t id = 0; id < expected.size(); ++id) {
    const std::u16string_view got = LanguageCodeFor(static_cast<std::uint16_t>(id));
    if (got != expected[id] && ++wrong <= 10)
      ADD_FAILURE() << std::hex << "language 0x" << id << " gets " << Narrow(got) << ", not " << Narrow(expected[id]);
  }
  EXPECT_EQ(wrong, 0) << "identifiers with the wrong file";
}

TEST(MessageFiles, FolderHoldsOnlyFilesOfKnownCodes) {
  const std::vector<std::u16string> codes = ShippedCodes();
  std::set<std::string> expected;
  for (const auto& code : codes) expected.insert("LNG_" + Narrow(code) + ".vxq");
  for (const auto& entry : fs::directory_iterator(LEDGLOW_VXQ_DIR)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() == ".vxq") {
      EXPECT_TRUE(expected.contains(name)) << name << " has no code";
    }
  }
}

}  // namespace
}  // namespace reminder
