#pragma once
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless_registry.h"
#include "platform/system.h"

namespace plat {

// A settable UI language, and a registry editor that imports .reg texts from a simulated
// current directory into a headless registry. Like the real one it imports only in silent
// mode ("-s" or "/s") and only from a file it finds; every run is recorded.
class HeadlessSystem final : public System {
 public:
  explicit HeadlessSystem(HeadlessRegistry* registry = nullptr) : registry_(registry) {}

  std::uint16_t UserUiLanguage() override { return ui_language; }
  void RunRegistryEditor(std::u16string_view arguments) override;

  std::uint16_t ui_language = 0x0409;
  // Files of the current directory by name: the texts of .reg files.
  std::map<std::u16string, std::u16string> current_directory;
  const std::vector<std::u16string>& EditorRuns() const { return editor_runs_; }

 private:
  HeadlessRegistry* registry_;
  std::vector<std::u16string> editor_runs_;
};

// Imports a .reg text ("Windows Registry Editor Version 5.00" or "REGEDIT4") as the registry
// editor does: keys, deletions, strings, dword and hex values. False when the header is wrong.
bool ImportRegText(HeadlessRegistry& registry, std::u16string_view text);

}  // namespace plat
