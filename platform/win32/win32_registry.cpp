#include "platform/win32_registry.h"

#include <windows.h>

#include <string>

namespace plat {
namespace {

HKEY RootKey(RegistryRoot root) { return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
HKEY AsKey(RegistryHandle key) { return reinterpret_cast<HKEY>(key); }
const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

class Win32Registry final : public Registry {
 public:
  long OpenKey(RegistryRoot root, std::string_view path, std::uint32_t access, RegistryHandle& key) override {
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExA(RootKey(root), std::string(path).c_str(), 0, access, &opened);
    key = result == ERROR_SUCCESS ? reinterpret_cast<RegistryHandle>(opened) : 0;
    return result;
  }
  long QueryValue(RegistryHandle key, std::string_view name, std::uint8_t* data, std::uint32_t& size,
                  std::uint32_t& type) override {
    DWORD dsize = size;
    DWORD dtype = 0;
    const LONG result = RegQueryValueExA(AsKey(key), std::string(name).c_str(), nullptr, &dtype, data, &dsize);
    size = dsize;
    type = dtype;
    return result;
  }
  long OpenKeyW(RegistryRoot root, std::u16string_view path, std::uint32_t access, RegistryHandle& key) override {
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExW(RootKey(root), Wide(std::u16string(path)), 0, access, &opened);
    key = result == ERROR_SUCCESS ? reinterpret_cast<RegistryHandle>(opened) : 0;
    return result;
  }
  long QueryValueW(RegistryHandle key, std::u16string_view name, std::uint8_t* data, std::uint32_t& size,
                   std::uint32_t& type) override {
    DWORD dsize = size;
    DWORD dtype = 0;
    const LONG result = RegQueryValueExW(AsKey(key), Wide(std::u16string(name)), nullptr, &dtype, data, &dsize);
    size = dsize;
    type = dtype;
    return result;
  }
  long CreateKey(RegistryRoot root, std::string_view path, std::uint32_t access, RegistryHandle& key,
                 std::uint32_t& disposition) override {
    HKEY created = nullptr;
    DWORD ddisposition = 0;
    const LONG result = RegCreateKeyExA(RootKey(root), std::string(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        access, nullptr, &created, &ddisposition);
    key = result == ERROR_SUCCESS ? reinterpret_cast<RegistryHandle>(created) : 0;
    disposition = ddisposition;
    return result;
  }
  long SetDword(RegistryHandle key, std::string_view name, std::uint32_t value) override {
    const DWORD data = value;
    return RegSetValueExA(AsKey(key), std::string(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data);
  }
  void CloseKey(RegistryHandle key) override {
    if (key != 0) RegCloseKey(AsKey(key));
  }
};

}  // namespace

std::unique_ptr<Registry> MakeWin32Registry() { return std::make_unique<Win32Registry>(); }

}  // namespace plat
