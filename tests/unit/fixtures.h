#pragma once
#include <map>
#include <string>

#include "platform/headless_desktop.h"
#include "platform/headless_files.h"
#include "platform/headless_system.h"
#include "platform/registry.h"
#include "shell/services.h"
#include "toolkit/headless_backend.h"

namespace testing_support {

// A registry that keeps what the strip writes; keys can be made to fail.
class PositionRegistry final : public plat::Registry {
 public:
  long OpenKey(plat::RegistryRoot, std::string_view, std::uint32_t, plat::RegistryHandle&) override { return 2; }
  long QueryValue(plat::RegistryHandle, std::string_view, std::uint8_t*, std::uint32_t&, std::uint32_t&) override {
    return 2;
  }
  long OpenKeyW(plat::RegistryRoot, std::u16string_view, std::uint32_t, plat::RegistryHandle&) override { return 2; }
  long QueryValueW(plat::RegistryHandle, std::u16string_view, std::uint8_t*, std::uint32_t&,
                   std::uint32_t&) override {
    return 2;
  }
  long CreateKey(plat::RegistryRoot root, std::string_view path, std::uint32_t access, plat::RegistryHandle& key,
                 std::uint32_t& disposition) override {
    if (fail_create) return 5;
    created_path = std::string(path);
    created_access = access;
    created_root = root;
    key = 7;
    disposition = key_exists ? 2 : 1;  // opened existing key : created new key
    key_exists = true;
    ++creates;
    return 0;
  }
  long SetDword(plat::RegistryHandle, std::string_view name, std::uint32_t value) override {
    values[std::string(name)] = value;
    return 0;
  }
  void CloseKey(plat::RegistryHandle) override { ++closes; }

  bool fail_create = false;
  bool key_exists = false;
  int creates = 0;
  std::string created_path;
  std::uint32_t created_access = 0;
  plat::RegistryRoot created_root = plat::RegistryRoot::LocalMachine;
  std::map<std::string, std::uint32_t> values;
  int closes = 0;
};

// The headless backend and platform wired into the program's services.
struct World {
  World() {
    services.desktop = &desktop;
    services.registry = &registry;
    services.files = &files;
    services.system = &system;
  }
  tk::HeadlessBackend ui;
  plat::HeadlessDesktop desktop;
  PositionRegistry registry;
  plat::HeadlessFiles files;
  plat::HeadlessSystem system;
  shell::Services services;
};

}  // namespace testing_support
