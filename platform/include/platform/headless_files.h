#pragma once
#include <map>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace plat {

// Files held in memory as text. Names compare without regard to ASCII case, as on Windows;
// the INI reader follows GetPrivateProfileStringW: first match wins, blanks around keys and
// values are dropped, one pair of enclosing quotes is removed, ";" starts a comment line.
class HeadlessFiles final : public Files {
 public:
  bool Exists(std::u16string_view path) override;
  std::u16string ReadProfileString(std::u16string_view section, std::u16string_view key, std::u16string_view fallback,
                                   std::u16string_view file, std::size_t capacity) override;

  void Add(std::u16string_view path, std::u16string contents);
  void Remove(std::u16string_view path);

 private:
  std::map<std::u16string, std::u16string> files_;  // by folded name
};

}  // namespace plat
