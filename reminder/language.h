#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "reminder/language_tables.h"
#include "shell/services.h"
#include "toolkit/font.h"

// The reminder dialog's message file and the font of the user's UI language.
namespace reminder {

inline constexpr std::u16string_view kMessageSection = u"MSG";
inline constexpr std::size_t kMessageTextLimit = 255;  // characters of a text that are used

// The row's code, or "0409" for a language without a row.
std::u16string_view LanguageCodeFor(std::uint16_t language);
// The row for the language, or null: the fonts stay as they are.
const FontRow* FontRowFor(std::uint16_t language);

// Sets font and hint_font by FontTable, then appends "\VXQ\LNG_<code>.vxq" to the
// installation directory in state.message_file_name. True when that file exists. A name that
// would not fit leaves message_file_name empty and counts as no file.
bool SelectLanguage(tk::Font& font, tk::Font& hint_font, shell::ProgramState& state, plat::System& system,
                    plat::Files& files);

// The end of the strip's creation: message_file_name from APPath, then SelectLanguage with
// the language font and the application's hint font.
void PrepareMessageFile(shell::ProgramState& state, tk::Font& hint_font, plat::Registry& registry,
                        plat::System& system, plat::Files& files);

// Text number `number` of the section ("S%03d"); the key's own name when the key, the
// section or the file is missing. At most kMessageTextLimit characters.
std::u16string ReadMessageText(plat::Files& files, std::u16string_view section, int number, std::u16string_view file);

// Fills the strip's message-file hook of `services`, which must outlive it and hold the
// registry, system and files by the time the strip is created.
void ConnectMessageFile(shell::Services& services);

}  // namespace reminder
