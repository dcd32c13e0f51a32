#include "platform/headless_registry.h"

#include <algorithm>

#include "headless_text.h"

namespace plat {
namespace {

using headless::Fold;

// Rights that change a key: set value, create sub-key, create link, delete, write DAC and owner.
constexpr std::uint32_t kWriteRights = 0x0002 | 0x0004 | 0x0020 | 0x10000 | 0x40000 | 0x80000;

// The system code page of a headless machine: ASCII, anything else unrepresentable.
std::u16string Widen(std::string_view text) {
  std::u16string wide;
  for (char c : text) wide.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<char16_t>(c) : u'?');
  return wide;
}

bool IsStringType(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

// What the 8-bit query returns for a string value: each UTF-16 unit as one code-page byte.
std::vector<std::uint8_t> Narrow(const std::vector<std::uint8_t>& utf16le) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < utf16le.size(); i += 2) {
    const unsigned unit = utf16le[i] | (utf16le[i + 1] << 8);
    bytes.push_back(unit < 0x80 ? static_cast<std::uint8_t>(unit) : static_cast<std::uint8_t>('?'));
  }
  return bytes;
}

}  // namespace

long HeadlessRegistry::Open(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                            RegistryHandle& key) {
  access_requested_.push_back(access);
  key = 0;
  KeyId id{root, Fold(path)};
  if (!id.second.empty() && !keys_.contains(id)) return kErrorFileNotFound;
  if (root == RegistryRoot::LocalMachine && local_machine_read_only && (access & kWriteRights)) return kErrorAccessDenied;
  key = next_handle_++;
  handles_.emplace(key, std::move(id));
  return kErrorSuccess;
}

long HeadlessRegistry::OpenKey(RegistryRoot root, std::string_view path, std::uint32_t access, RegistryHandle& key) {
  return Open(root, Widen(path), access, key);
}

long HeadlessRegistry::OpenKeyW(RegistryRoot root, std::u16string_view path, std::uint32_t access,
                                RegistryHandle& key) {
  return Open(root, path, access, key);
}

HeadlessRegistry::Key* HeadlessRegistry::FindOpen(RegistryHandle key) {
  const auto h = handles_.find(key);
  if (h == handles_.end()) return nullptr;
  // An empty path is the root itself, which always exists; a key deleted while open is gone.
  if (h->second.second.empty()) return &keys_[h->second];
  const auto k = keys_.find(h->second);
  return k == keys_.end() ? nullptr : &k->second;
}

long HeadlessRegistry::Query(RegistryHandle key, std::u16string_view name, bool narrow, std::uint8_t* data,
                             std::uint32_t& size, std::uint32_t& type) {
  Key* k = FindOpen(key);
  if (!k) return kErrorInvalidHandle;
  const auto v = k->values.find(Fold(name));
  if (v == k->values.end()) return kErrorFileNotFound;
  const std::vector<std::uint8_t> bytes = narrow && IsStringType(v->second.type) ? Narrow(v->second.data) : v->second.data;
  type = v->second.type;
  const std::uint32_t capacity = size;
  size = static_cast<std::uint32_t>(bytes.size());
  if (!data) return kErrorSuccess;
  if (bytes.size() > capacity) {
    // "Undefined contents": leave part of the data behind, so a caller that trusts the
    // buffer after this result is caught.
    std::copy_n(bytes.begin(), capacity, data);
    return kErrorMoreData;
  }
  std::copy(bytes.begin(), bytes.end(), data);
  return kErrorSuccess;
}

long HeadlessRegistry::QueryValue(RegistryHandle key, std::string_view name, std::uint8_t* data, std::uint32_t& size,
                                  std::uint32_t& type) {
  return Query(key, Widen(name), true, data, size, type);
}

long HeadlessRegistry::QueryValueW(RegistryHandle key, std::u16string_view name, std::uint8_t* data,
                                   std::uint32_t& size, std::uint32_t& type) {
  return Query(key, name, false, data, size, type);
}

long HeadlessRegistry::CreateKey(RegistryRoot root, std::string_view path, std::uint32_t access,
                                 RegistryHandle& key, std::uint32_t& disposition) {
  key = 0;
  const std::u16string wide = Widen(path);
  const bool existed = HasKey(root, wide);
  if (root == RegistryRoot::LocalMachine && local_machine_read_only) {
    access_requested_.push_back(access);
    return kErrorAccessDenied;
  }
  AddKey(root, wide);
  disposition = existed ? 2 : 1;
  return Open(root, wide, access, key);
}

long HeadlessRegistry::SetDword(RegistryHandle key, std::string_view name, std::uint32_t value) {
  Key* k = FindOpen(key);
  if (!k) return kErrorInvalidHandle;
  Value& v = k->values[Fold(Widen(name))];
  v.type = kRegDword;
  v.data = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
  return kErrorSuccess;
}

void HeadlessRegistry::CloseKey(RegistryHandle key) { handles_.erase(key); }

void HeadlessRegistry::AddKey(RegistryRoot root, std::u16string_view path) {
  const std::u16string folded = Fold(path);
  for (std::size_t end = folded.find(u'\\'); end != std::u16string::npos; end = folded.find(u'\\', end + 1))
    keys_[{root, folded.substr(0, end)}];
  if (!folded.empty()) keys_[{root, folded}];
}

void HeadlessRegistry::DeleteKey(RegistryRoot root, std::u16string_view path) {
  const std::u16string folded = Fold(path);
  std::erase_if(keys_, [&](const auto& entry) {
    const auto& [id, key] = entry;
    return id.first == root && (id.second == folded || id.second.starts_with(folded + u'\\'));
  });
}

bool HeadlessRegistry::HasKey(RegistryRoot root, std::u16string_view path) const {
  return path.empty() || keys_.contains({root, Fold(path)});
}

void HeadlessRegistry::SetValue(RegistryRoot root, std::u16string_view path, std::u16string_view name,
                                std::uint32_t type, std::vector<std::uint8_t> data) {
  AddKey(root, path);
  keys_[{root, Fold(path)}].values[Fold(name)] = Value{type, std::move(data)};
}

void HeadlessRegistry::SetString(RegistryRoot root, std::u16string_view path, std::u16string_view name,
                                 std::u16string_view text, std::uint32_t type) {
  std::vector<std::uint8_t> data;
  for (char16_t c : text) {
    data.push_back(static_cast<std::uint8_t>(c));
    data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  data.insert(data.end(), {0, 0});
  SetValue(root, path, name, type, std::move(data));
}

void HeadlessRegistry::SetDwordValue(RegistryRoot root, std::u16string_view path, std::u16string_view name,
                                     std::uint32_t value) {
  SetValue(root, path, name, kRegDword,
           {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

std::optional<HeadlessRegistry::Value> HeadlessRegistry::GetValue(RegistryRoot root, std::u16string_view path,
                                                                 std::u16string_view name) const {
  const auto k = keys_.find({root, Fold(path)});
  if (k == keys_.end()) return std::nullopt;
  const auto v = k->second.values.find(Fold(name));
  if (v == k->second.values.end()) return std::nullopt;
  return v->second;
}

}  // namespace plat
