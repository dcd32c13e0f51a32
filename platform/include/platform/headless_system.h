#pragma once
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless_registry.h"
#include "platform/system.h"

namespace plat {

// A settable UI language, and a registry editor that imports .reg texts from a simulated
// folder into a headless registry. Like the real one it imports only in silent mode ("-s" or
// "/s") and only from a file it finds: a bare name in the folder it starts in, or a full path.
// Every run is recorded. It can be made to need elevation, and the user to refuse the prompt.
class HeadlessSystem final : public System {
 public:
  explicit HeadlessSystem(HeadlessRegistry* registry = nullptr) : registry_(registry) {}

  std::uint16_t UserUiLanguage() override { return ui_language; }
  EditorStart RunRegistryEditor(std::u16string_view arguments) override;
  void RunRegistryEditorElevated(std::u16string_view arguments, std::u16string_view directory) override;
  std::u16string CurrentDirectory() override { return current_directory_path; }

  std::uint16_t ui_language = 0x0409;
  // The program's current directory, and its files by name: the texts of .reg files.
  std::u16string current_directory_path = u"C:\\Program Files\\ledglow";
  std::map<std::u16string, std::u16string> current_directory;
  // An administrator under UAC: a child start of the editor fails with error 740.
  bool elevation_required = false;
  bool consent_refused = false;
  const std::vector<std::u16string>& EditorRuns() const { return editor_runs_; }
  struct ElevatedRun {
    std::u16string arguments;
    std::u16string directory;
    bool operator==(const ElevatedRun&) const = default;
  };
  const std::vector<ElevatedRun>& ElevatedRuns() const { return elevated_runs_; }

 private:
  // The editor at work, started in `directory`.
  void Import(std::u16string_view arguments, std::u16string_view directory);

  HeadlessRegistry* registry_;
  std::vector<std::u16string> editor_runs_;
  std::vector<ElevatedRun> elevated_runs_;
};

// Imports a .reg text ("Windows Registry Editor Version 5.00" or "REGEDIT4") as the registry
// editor does: keys, deletions, strings, dword and hex values. False when the header is wrong.
bool ImportRegText(HeadlessRegistry& registry, std::u16string_view text);

}  // namespace plat
