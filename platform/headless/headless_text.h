#pragma once
#include <string>
#include <string_view>

// Text helpers the headless backends share: Windows compares names without regard to ASCII
// case, and its INI and .reg readers drop blanks around lines.
namespace plat::headless {

inline std::u16string Fold(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& c : folded)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return folded;
}

inline std::u16string_view Trim(std::u16string_view text) {
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace plat::headless
