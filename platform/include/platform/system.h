#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The rest of the platform the program touches: the user's language and child processes.
namespace plat {

// How a start of the registry editor as a child went.
enum class EditorStart { Ran, NeedsElevation, Failed };

class System {
 public:
  virtual ~System() = default;
  // GetUserDefaultUILanguage.
  virtual std::uint16_t UserUiLanguage() = 0;
  // Runs the system registry editor as a child with the given argument text in the current
  // directory and waits for it to end. Its exit code is ignored.
  virtual EditorStart RunRegistryEditor(std::u16string_view arguments) = 0;
  // Runs it through the shell, which first asks the user for administrator rights, in
  // `directory`, and waits for it to end. A refused prompt runs nothing.
  virtual void RunRegistryEditorElevated(std::u16string_view arguments, std::u16string_view directory) = 0;
  // The process's current directory as a full path; empty when it cannot be read.
  virtual std::u16string CurrentDirectory() = 0;
};

}  // namespace plat
