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
#include "tests/fixtures/ui_languages.h"

// The shipped message files, read from the source tree as the installation copies them.
namespace reminder {
namespace {

namespace fs = std::filesystem;
using fixtures::kEnglishCode;
using fixtures::kUiLanguages;
using fixtures::UiLanguage;
constexpr char16_t kInstallDir[] = u"C:\\Program Files\\ledglow";

std::string Narrow(std::u16string_view code) { return std::string(code.begin(), code.end()); }

fs::path FileOf(std::u16string_view code) { return fs::path(LEDGLOW_VXQ_DIR) / ("LNG_" + Narrow(code) + ".vxq"); }

std::u16string InstalledName(std::u16string_view code) {
  return std::u16string(kInstallDir) + u"\\VXQ\\LNG_" + std::u16string(code) + u".vxq";
}

std::vector<std::u16string> ShippedCodes() {
  std::vector<std::u16string> codes{std::u16string(kEnglishCode)};
  for (const UiLanguage& row : kUiLanguages) codes.emplace_back(row.code);
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
  if (code == kEnglishCode) GTEST_SKIP() << "the design language";
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
  for (const UiLanguage& row : kUiLanguages) {
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
  std::vector<std::u16string_view> expected(0x10000, kEnglishCode);
  for (const UiLanguage& row : kUiLanguages)
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
