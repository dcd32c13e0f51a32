#pragma once
#include <cstdint>
#include <string_view>

// The rest of the platform the program touches: the user's language and child processes.
namespace plat {

class System {
 public:
  virtual ~System() = default;
  // GetUserDefaultUILanguage.
  virtual std::uint16_t UserUiLanguage() = 0;
  // Runs the system registry editor with the given argument text in the current directory
  // and waits for it to end. Exit code and start failures are ignored.
  virtual void RunRegistryEditor(std::u16string_view arguments) = 0;
};

}  // namespace plat
