#include "shell/command_line.h"

#include "shell/controller_messages.h"

namespace shell {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

struct CommandRow {
  wchar_t letter;
  tk::Message message;
};

constexpr CommandRow kCommands[] = {
    {L'p', {CTLMSG_SWITCH_P, 1, 0}},
    {L'q', {tk::kWmQuit, 0, 0}},
    {L'u', {CTLMSG_RELOAD, 1, 0}},
};

}  // namespace

std::wstring_view ArgumentText(std::wstring_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  if (i < s.size() && s[i] == L'"') {
    ++i;
    while (i < s.size() && s[i] != L'"' && s[i] != L'\t') ++i;
    if (i < s.size() && s[i] == L'"') ++i;
  } else {
    while (i < s.size() && !IsBlank(s[i])) ++i;
  }
  while (i < s.size() && IsBlank(s[i])) ++i;
  return s.substr(i);
}

bool IsCommand(std::wstring_view argument_text) {
  return !argument_text.empty() && argument_text.front() == L'/';
}

std::optional<tk::Message> CommandMessage(std::wstring_view argument_text) {
  if (!IsCommand(argument_text) || argument_text.size() < 2) return std::nullopt;
  for (const CommandRow& row : kCommands)
    if (row.letter == argument_text[1]) return row.message;
  return std::nullopt;
}

}  // namespace shell
