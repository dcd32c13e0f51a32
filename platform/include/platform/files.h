#pragma once
#include <string>
#include <string_view>

// Files the program only looks at: an existence test and the INI reader.
namespace plat {

class Files {
 public:
  virtual ~Files() = default;
  // FindFirstFileW succeeds for exactly this name.
  virtual bool Exists(std::u16string_view path) = 0;
  // GetPrivateProfileStringW: the value of key in section, or `fallback` when missing;
  // at most `capacity` - 1 characters are returned.
  virtual std::u16string ReadProfileString(std::u16string_view section, std::u16string_view key,
                                           std::u16string_view fallback, std::u16string_view file,
                                           std::size_t capacity) = 0;
};

}  // namespace plat
