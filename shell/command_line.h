#pragma once
#include <optional>
#include <string_view>

#include "toolkit/messages.h"

namespace shell {

// The command line without the program name and the blanks after it.
std::wstring_view ArgumentText(std::wstring_view command_line);

// True when the argument text is a command for the running instance.
bool IsCommand(std::wstring_view argument_text);

// The message a command start posts to the running controller, chosen by the letter after
// the slash (compared case-sensitively); none for any other letter or for a lone slash.
std::optional<tk::Message> CommandMessage(std::wstring_view argument_text);

}  // namespace shell
