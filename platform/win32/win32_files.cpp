#include "platform/win32_files.h"

#include <windows.h>

#include <string>
#include <vector>

namespace plat {
namespace {

const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

class Win32Files final : public Files {
 public:
  bool Exists(std::u16string_view path) override {
    // FindFirstFileW takes patterns; a name with them would find some other file.
    if (path.find_first_of(u"*?") != std::u16string_view::npos) return false;
    WIN32_FIND_DATAW found;
    const HANDLE h = FindFirstFileW(Wide(std::u16string(path)), &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
  }
  std::u16string ReadProfileString(std::u16string_view section, std::u16string_view key, std::u16string_view fallback,
                                   std::u16string_view file, std::size_t capacity) override {
    if (capacity == 0) return {};
    std::vector<wchar_t> buffer(capacity);
    const DWORD n = GetPrivateProfileStringW(Wide(std::u16string(section)), Wide(std::u16string(key)),
                                             Wide(std::u16string(fallback)), buffer.data(),
                                             static_cast<DWORD>(capacity), Wide(std::u16string(file)));
    const std::size_t length = n < capacity ? n : capacity - 1;
    return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()), length);
  }
};

}  // namespace

std::unique_ptr<Files> MakeWin32Files() { return std::make_unique<Win32Files>(); }

}  // namespace plat
