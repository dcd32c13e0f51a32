#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "platform/system.h"
#include "shell/services.h"

// The machine-wide settings: read-only under HKEY_LOCAL_MACHINE, restored from "DorAdor.reg"
// with the registry editor when they are missing at start-up.
namespace shell {

inline constexpr char kSettingsKey[] = "SOFTWARE\\VOVEzurevo\\Default";
inline constexpr char16_t kSettingsKeyW[] = u"SOFTWARE\\VOVEzurevo\\Default";
inline constexpr char16_t kRestoreArguments[] = u" -s DorAdor.reg ";
inline constexpr std::size_t kAppPathCapacity = 512;  // UTF-16 units, terminator included

// One key held while it is read; the handle is closed when the object goes.
class RegistryKey {
 public:
  explicit RegistryKey(plat::Registry& registry) : registry_(registry) {}
  ~RegistryKey() { Close(); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Opens path under root with the access mask (8-bit registry functions).
  bool Open();
  // A 4-byte query whatever the value's type: missing data, or data larger than 4 bytes,
  // reads 0; shorter data has its missing high bytes taken as 0.
  std::uint32_t ReadDword(std::string_view name);
  void Close();

  plat::RegistryRoot root = plat::RegistryRoot::LocalMachine;
  std::string path;
  std::uint32_t access = plat::kKeyAllAccess;
  plat::RegistryHandle handle = 0;
  std::optional<long> last_result;

 private:
  plat::Registry& registry_;
};

// Reads "Interval" into the poll interval. False, with the interval kept, when the key
// cannot be opened; true otherwise, also when the value is missing (0).
bool LoadControllerSettings(plat::Registry& registry, ProgramState& state);

// Copies "APPath" into dest, which the caller has zero-filled. False when the key cannot be
// opened; a missing value or a text of 512 units or more gives an empty text.
bool ReadAppPath(plat::Registry& registry, std::array<char16_t, kAppPathCapacity>& dest);

// Runs the registry editor on "DorAdor.reg" in the current directory and waits for it.
void RestoreSettings(plat::System& system);

// The controller's creation step: load, and when the key is missing restore and load once
// more. False when the key is still missing and the program must end.
bool LoadSettingsAtCreation(plat::Registry& registry, plat::System& system, ProgramState& state);

// Fills the controller's settings hooks of `services`, which must outlive them and hold
// the registry and system by the time the controller is created.
void ConnectSettings(Services& services);

}  // namespace shell
