#include "reminder/language.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/headless_files.h"
#include "platform/headless_registry.h"
#include "platform/headless_system.h"
#include "shell/settings.h"

namespace reminder {
namespace {

constexpr auto kLm = plat::RegistryRoot::LocalMachine;

std::u16string Name(const shell::ProgramState& state) { return std::u16string(state.message_file_name.data()); }

void SetName(shell::ProgramState& state, std::u16string_view text) {
  state.message_file_name.fill(0);
  std::copy(text.begin(), text.end(), state.message_file_name.begin());
}

tk::Font Big5Font() {
  const unsigned char face[] = {0xB7, 0x73, 0xB2, 0xD3, 0xA9, 0xFA, 0xC5, 0xE9};
  return tk::Font{std::string(face, face + sizeof face), 136, 10};
}

TEST(Language, CodeAndFontFollowTheUiLanguage) {
  struct Case {
    std::uint16_t language;
    const char16_t* code;
    std::optional<tk::Font> font;  // none: both fonts left at the toolkit default
  };
  const Case cases[] = {
      {0x080A, u"080a", std::nullopt},
      {0x0C0A, u"040a", std::nullopt},
      {0x500A, u"040a", std::nullopt},
      {0x0816, u"0816", std::nullopt},
      {0x0416, u"0416", std::nullopt},
      {0x1004, u"0404", Big5Font()},
      {0x0404, u"0404", Big5Font()},
      {0x1404, u"0404", Big5Font()},
      {0x0804, u"0804", tk::Font{"SimSun-18030", 134, 9}},
      {0x0411, u"0411", tk::Font{"MS PGothic", 128, 9}},
      {0x0412, u"0412", tk::Font{"Dotum", 129, 9}},
      {0x041F, u"041f", tk::Font{"Arial", 1, 8}},
      {0x041B, u"041b", std::nullopt},
      {0x4001, u"0401", std::nullopt},
      {0x1407, u"0407", std::nullopt},
      {0x081D, u"041d", std::nullopt},
      {0x0809, u"0409", std::nullopt},
      {0x0409, u"0409", std::nullopt},
      {0x0000, u"0409", std::nullopt},  // unused table slots must not match
      {0xFFFF, u"0409", std::nullopt},
  };
  for (const Case& c : cases) {
    plat::HeadlessSystem system;
    plat::HeadlessFiles files;
    system.ui_language = c.language;
    shell::ProgramState state;
    SetName(state, u"C:\\Tools");
    tk::Font hint;
    EXPECT_FALSE(SelectLanguage(state.language_font, hint, state, system, files)) << std::hex << c.language;
    EXPECT_EQ(Name(state), u"C:\\Tools\\VXQ\\LNG_" + std::u16string(c.code) + u".vxq") << std::hex << c.language;
    const tk::Font expected = c.font.value_or(tk::Font{});
    EXPECT_EQ(state.language_font, expected) << std::hex << c.language;
    EXPECT_EQ(hint, expected) << std::hex << c.language;
  }
}

TEST(Language, SelectLanguageFindsTheFileOfExactlyThatName) {
  plat::HeadlessSystem system;
  system.ui_language = 0x0C0A;
  plat::HeadlessFiles files;
  shell::ProgramState state;
  tk::Font hint;

  SetName(state, u"C:\\Tools");
  EXPECT_FALSE(SelectLanguage(state.language_font, hint, state, system, files));
  EXPECT_EQ(Name(state), u"C:\\Tools\\VXQ\\LNG_040a.vxq");

  files.Add(u"C:\\Tools\\VXQ\\LNG_040a.vxq", u"[MSG]\r\n");
  SetName(state, u"C:\\Tools");
  EXPECT_TRUE(SelectLanguage(state.language_font, hint, state, system, files));
  files.Add(u"C:\\Tools\\VXQ\\LNG_0409.vxq", u"[MSG]\r\n");
  files.Remove(u"C:\\Tools\\VXQ\\LNG_040a.vxq");
  SetName(state, u"C:\\Tools");
  EXPECT_FALSE(SelectLanguage(state.language_font, hint, state, system, files)) << "no fallback to English";
}

// The strip's step, from APPath to the name, at the edge of the 512-character name.
TEST(Language, MessageFileNameFitsOrCountsAsNoFile) {
  constexpr std::size_t kSuffix = std::u16string_view(u"\\VXQ\\LNG_0411.vxq").size();
  struct Case {
    const char* what;
    std::optional<std::size_t> app_path;  // length; none: value missing
    bool fits;
  };
  const Case cases[] = {
      {"no installation directory: from the drive's root", std::nullopt, true},
      {"short", 8, true},
      {"name of 511 characters", 511 - kSuffix, true},
      {"name of 512 characters", 512 - kSuffix, false},
      {"APPath of 511 characters", 511, false},
  };
  for (const Case& c : cases) {
    plat::HeadlessRegistry registry;
    plat::HeadlessSystem system;
    plat::HeadlessFiles files;
    system.ui_language = 0x0411;
    registry.AddKey(kLm, u"SOFTWARE\\VOVEzurevo\\Default");
    std::u16string dir;
    if (c.app_path) {
      dir = u"C:\\" + std::u16string(*c.app_path - 3, u'd');
      registry.SetString(kLm, u"SOFTWARE\\VOVEzurevo\\Default", u"APPath", dir);
    }
    const std::u16string full = dir + u"\\VXQ\\LNG_0411.vxq";
    files.Add(full, u"[MSG]\r\nS032=x\r\n");
    // A shorter name that a cut would reach must never be taken for the file.
    files.Add(full.substr(0, 511), u"[MSG]\r\n");
    if (!dir.empty()) files.Add(dir, u"");  // FindFirstFileW finds directories too
    shell::ProgramState state;
    state.message_file_name.fill(u'#');  // the preparation starts from zeros
    tk::Font hint;
    PrepareMessageFile(state, hint, registry, system, files);
    EXPECT_EQ(Name(state), c.fits ? full : u"") << c.what;
    EXPECT_EQ(files.Exists(Name(state)), c.fits) << c.what;
    EXPECT_EQ(state.message_file_name.back(), 0) << c.what;
    // The font follows the language whether or not the file is there.
    EXPECT_EQ(state.language_font, (tk::Font{"MS PGothic", 128, 9})) << c.what;
    EXPECT_EQ(hint, state.language_font) << c.what;
  }
}

TEST(Language, NameWithoutTerminatorCountsAsNoFile) {
  plat::HeadlessSystem system;
  plat::HeadlessFiles files;
  shell::ProgramState state;
  state.message_file_name.fill(u'd');
  tk::Font hint;
  EXPECT_FALSE(SelectLanguage(state.language_font, hint, state, system, files));
  EXPECT_EQ(Name(state), u"");
}

TEST(Language, MessageTextsComeFromSectionMsgOrAreTheKeyNames) {
  const std::u16string file = u"C:\\Tools\\VXQ\\LNG_0407.vxq";
  const std::u16string long_text(300, u'L');
  // 254 characters and a surrogate pair: the 255-character cut falls inside the pair.
  const std::u16string split = std::u16string(254, u'a') + u"\U0001F50B";
  plat::HeadlessFiles files;
  files.Add(file, u"\xFEFF; shipped messages\r\n"
                  u"[Other]\r\n"
                  u"S076=Wrong section\r\n"
                  u"[MSG]\r\n"
                  u"S032=Ersetzen Sie die Batterie Ihrer Funktastatur!\r\n"
                  u"  S075 =  Später erinnern  \r\n"
                  u"S007=\"quoted\"\r\n"
                  u"S100=" + long_text + u"\r\n"
                  u"S101=" + split + u"\r\n"
                  u"S102=\r\n");
  struct Case {
    std::u16string_view section;
    int number;
    std::u16string_view file;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"MSG", 32, file, u"Ersetzen Sie die Batterie Ihrer Funktastatur!"},
      {u"MSG", 75, file, u"Später erinnern"},
      {u"MSG", 76, file, u"S076"},  // missing from the section; found only in another
      {u"msg", 32, file, u"Ersetzen Sie die Batterie Ihrer Funktastatur!"},
      {u"MSG", 7, file, u"quoted"},
      {u"MSG", 100, file, long_text.substr(0, 255)},
      {u"MSG", 101, file, split.substr(0, 254)},
      {u"MSG", 102, file, u""},
      {u"MISSING", 32, file, u"S032"},
      {u"MSG", 32, u"C:\\Tools\\VXQ\\LNG_0409.vxq", u"S032"},
      {u"MSG", 32, u"", u"S032"},
      {u"MSG", 1000, file, u"S1000"},
      {u"MSG", -5, file, u"S-05"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadMessageText(files, c.section, c.number, c.file), c.expected) << c.number;
  }
}

}  // namespace
}  // namespace reminder
