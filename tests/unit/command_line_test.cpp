#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <optional>

namespace shell {
namespace {

struct ArgumentCase {
  const wchar_t* command_line;
  const wchar_t* argument_text;
};

TEST(ArgumentText, SkipsTheProgramNameAndTheBlanksAfterIt) {
  const ArgumentCase cases[] = {
      {L"ledglow.exe", L""},
      {L"", L""},
      {L"   \t ", L""},
      {L"ledglow.exe /q", L"/q"},
      {L"  ledglow.exe\t\t /u  x", L"/u  x"},
      {L"\"C:\\Program Files\\ledglow.exe\"   /u", L"/u"},
      {L"\"C:\\Program Files\\ledglow.exe\"/u", L"/u"},
      {L"\"C:\\a b\\ledglow.exe\t/q", L"/q"},  // a quoted name also ends at a tab
      {L"\"unterminated /q", L""},
      {L"\"\" /p", L"/p"},
      {L"ledglow\"x\" /p", L"/p"},
      {L"ledglow.exe -q", L"-q"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ArgumentText(c.command_line), std::wstring_view(c.argument_text)) << c.command_line;
}

struct SwitchCase {
  const wchar_t* argument_text;
  bool is_command;
  std::optional<std::uint32_t> message;
  std::uintptr_t wparam;
};

// The numbers are written out: the running instance expects these, whatever the code calls them.
TEST(CommandMessage, IsChosenByTheLetterAfterTheSlash) {
  const SwitchCase cases[] = {
      {L"/p", true, 0x501, 1},
      {L"/q", true, 0x0012, 0},  // WM_QUIT
      {L"/u", true, 0x502, 1},
      {L"/quit", true, 0x0012, 0},
      {L"/update now", true, 0x502, 1},
      {L"/Q", true, std::nullopt, 0},
      {L"/U", true, std::nullopt, 0},
      {L"/x", true, std::nullopt, 0},
      {L"/", true, std::nullopt, 0},
      {L"/ q", true, std::nullopt, 0},
      {L"-q", false, std::nullopt, 0},
      {L"q", false, std::nullopt, 0},
      {L"", false, std::nullopt, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsCommand(c.argument_text), c.is_command) << c.argument_text;
    auto m = CommandMessage(c.argument_text);
    ASSERT_EQ(m.has_value(), c.message.has_value()) << c.argument_text;
    if (!m) continue;
    EXPECT_EQ(m->msg, *c.message) << c.argument_text;
    EXPECT_EQ(m->wparam, c.wparam) << c.argument_text;
    EXPECT_EQ(m->lparam, 0) << c.argument_text;
  }
}

}  // namespace
}  // namespace shell
