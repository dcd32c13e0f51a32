#pragma once
#include <cstdint>
#include <string_view>

// The registry as the program uses it: open a key, query a value's raw bytes, create a key
// and write a 32-bit value. Result codes are the platform's (0 is success).
namespace plat {

enum class RegistryRoot { LocalMachine, CurrentUser };
using RegistryHandle = std::uintptr_t;  // 0 is no key

inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorMoreData = 234;

// Registry value types.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

class Registry {
 public:
  virtual ~Registry() = default;
  // 8-bit (system code page) names.
  virtual long OpenKey(RegistryRoot root, std::string_view path, std::uint32_t access, RegistryHandle& key) = 0;
  // `size` is the buffer's size on entry and the value's size on return. The buffer's
  // contents are undefined unless the result is 0. The value's registry type is reported
  // in `type`. The 8-bit form returns string types converted to the system code page.
  virtual long QueryValue(RegistryHandle key, std::string_view name, std::uint8_t* data, std::uint32_t& size,
                          std::uint32_t& type) = 0;
  // UTF-16 names.
  virtual long OpenKeyW(RegistryRoot root, std::u16string_view path, std::uint32_t access, RegistryHandle& key) = 0;
  virtual long QueryValueW(RegistryHandle key, std::u16string_view name, std::uint8_t* data, std::uint32_t& size,
                           std::uint32_t& type) = 0;
  // disposition: 1 created, 2 opened existing.
  virtual long CreateKey(RegistryRoot root, std::string_view path, std::uint32_t access, RegistryHandle& key,
                         std::uint32_t& disposition) = 0;
  virtual long SetDword(RegistryHandle key, std::string_view name, std::uint32_t value) = 0;
  virtual void CloseKey(RegistryHandle key) = 0;
};

}  // namespace plat
