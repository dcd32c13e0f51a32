#include "reminder/language.h"

#include <algorithm>
#include <charconv>

#include "shell/settings.h"
#include "toolkit/application.h"

namespace reminder {
namespace {

bool Contains(const auto& ids, std::uint16_t language) {
  return language != 0 && std::find(ids.begin(), ids.end(), language) != ids.end();
}

// Appends the file name to the installation directory, or returns false, touching nothing,
// when the directory has no terminator or the whole name would not fit.
bool AppendFileName(std::array<char16_t, shell::kAppPathCapacity>& name, std::u16string_view code) {
  const auto end = std::find(name.begin(), name.end(), u'\0');
  if (end == name.end()) return false;
  const std::u16string suffix = std::u16string(u"\\VXQ\\LNG_") + std::u16string(code) + u".vxq";
  const auto room = static_cast<std::size_t>(name.end() - end);
  if (suffix.size() + 1 > room) return false;
  *std::copy(suffix.begin(), suffix.end(), end) = u'\0';
  return true;
}

}  // namespace

std::u16string_view LanguageCodeFor(std::uint16_t language) {
  for (const CodeRow& row : CodeTable)
    if (Contains(row.ids, language)) return row.code;
  return kDefaultLanguageCode;
}

const FontRow* FontRowFor(std::uint16_t language) {
  for (const FontRow& row : FontTable)
    if (Contains(row.ids, language)) return &row;
  return nullptr;
}

bool SelectLanguage(tk::Font& font, tk::Font& hint_font, shell::ProgramState& state, plat::System& system,
                    plat::Files& files) {
  const std::uint16_t language = system.UserUiLanguage();
  if (const FontRow* row = FontRowFor(language)) {
    for (tk::Font* f : {&font, &hint_font}) {
      f->face = row->face;
      f->charset = row->charset;
      f->size_pt = row->size_pt;
    }
  }
  auto& name = state.message_file_name;
  if (!AppendFileName(name, LanguageCodeFor(language))) {
    // A cut name could be another file, and the bare directory would pass the dialog's
    // existence test: leave no name at all, so the designed texts stay.
    name.fill(u'\0');
    return false;
  }
  return files.Exists(std::u16string_view(name.data()));
}

void PrepareMessageFile(shell::ProgramState& state, tk::Font& hint_font, plat::Registry& registry,
                        plat::System& system, plat::Files& files) {
  state.message_file_name.fill(u'\0');
  shell::ReadAppPath(registry, state.message_file_name);
  SelectLanguage(state.language_font, hint_font, state, system, files);
}

namespace {

// "S" and the number zero-padded to three characters, sign included ("S032", "S-05"), as "S%03d"
// formats it; printf would bring the C library's whole formatter into the program for this.
std::u16string MessageKey(int number) {
  char digits[16];
  const char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  const char* first = digits;
  std::u16string key = u"S";
  if (*first == '-') key += u'-', ++first;
  for (auto width = end - digits; width < 3; ++width) key += u'0';
  key.append(first, end);
  return key;
}

}  // namespace

std::u16string ReadMessageText(plat::Files& files, std::u16string_view section, int number, std::u16string_view file) {
  const std::u16string key = MessageKey(number);
  std::u16string text = files.ReadProfileString(section, key, key, file, kMessageTextLimit + 1);
  if (text.size() > kMessageTextLimit) text.resize(kMessageTextLimit);
  // A cut between the halves of a surrogate pair would leave half a character.
  if (text.size() == kMessageTextLimit && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.pop_back();
  return text;
}

void ConnectMessageFile(shell::Services& services) {
  services.prepare_message_file = [&services](tk::Application& app) {
    PrepareMessageFile(services.state, app.HintFont(), *services.registry, *services.system, *services.files);
  };
}

}  // namespace reminder
