#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace plat {

// An in-memory registry. Values hold any type and any bytes, as the tests store them; names
// compare without regard to ASCII case, as the real registry's do. Local-machine keys are
// read-only to the program unless the tests say otherwise, as for an ordinary user.
class HeadlessRegistry final : public Registry {
 public:
  struct Value {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
  };
  static constexpr std::uint32_t kRegNone = 0;

  long OpenKey(RegistryRoot root, std::string_view path, std::uint32_t access, RegistryHandle& key) override;
  long QueryValue(RegistryHandle key, std::string_view name, std::uint8_t* data, std::uint32_t& size,
                  std::uint32_t& type) override;
  long OpenKeyW(RegistryRoot root, std::u16string_view path, std::uint32_t access, RegistryHandle& key) override;
  long QueryValueW(RegistryHandle key, std::u16string_view name, std::uint8_t* data, std::uint32_t& size,
                   std::uint32_t& type) override;
  long CreateKey(RegistryRoot root, std::string_view path, std::uint32_t access, RegistryHandle& key,
                 std::uint32_t& disposition) override;
  long SetDword(RegistryHandle key, std::string_view name, std::uint32_t value) override;
  void CloseKey(RegistryHandle key) override;

  // Set-up and inspection, with the rights of the installation.
  void AddKey(RegistryRoot root, std::u16string_view path);  // and its parents
  void DeleteKey(RegistryRoot root, std::u16string_view path);  // and its sub-keys
  bool HasKey(RegistryRoot root, std::u16string_view path) const;
  void SetValue(RegistryRoot root, std::u16string_view path, std::u16string_view name, std::uint32_t type,
                std::vector<std::uint8_t> data);
  // Stores the text as UTF-16LE with its terminating zero, as the registry editor does.
  void SetString(RegistryRoot root, std::u16string_view path, std::u16string_view name, std::u16string_view text,
                 std::uint32_t type = kRegSz);
  void SetDwordValue(RegistryRoot root, std::u16string_view path, std::u16string_view name, std::uint32_t value);
  std::optional<Value> GetValue(RegistryRoot root, std::u16string_view path, std::u16string_view name) const;

  // Keys the program holds open right now, and every access mask it asked for.
  std::size_t OpenHandles() const { return handles_.size(); }
  const std::vector<std::uint32_t>& AccessRequested() const { return access_requested_; }

  bool local_machine_read_only = true;

 private:
  struct Key {
    std::map<std::u16string, Value> values;  // by folded name
  };
  using KeyId = std::pair<RegistryRoot, std::u16string>;  // folded path

  long Open(RegistryRoot root, std::u16string_view path, std::uint32_t access, RegistryHandle& key);
  long Query(RegistryHandle key, std::u16string_view name, bool narrow, std::uint8_t* data, std::uint32_t& size,
             std::uint32_t& type);
  Key* FindOpen(RegistryHandle key);

  std::map<KeyId, Key> keys_;
  std::map<RegistryHandle, KeyId> handles_;
  RegistryHandle next_handle_ = 0x100;
  std::vector<std::uint32_t> access_requested_;
};

}  // namespace plat
