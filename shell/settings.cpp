#include "shell/settings.h"

#include "toolkit/application.h"

namespace shell {
namespace {

constexpr std::size_t kAppPathBufferBytes = 1024;

// The UTF-16 side has no key object of its own; this only makes sure its handle is closed.
class ScopedKey {
 public:
  explicit ScopedKey(plat::Registry& registry) : registry_(registry) {}
  ~ScopedKey() {
    if (handle != 0) registry_.CloseKey(handle);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  plat::RegistryHandle handle = 0;

 private:
  plat::Registry& registry_;
};

std::u16string ElevatedRestoreArguments(std::u16string_view directory) {
  std::u16string file(directory);
  if (!file.ends_with(u'\\')) file += u'\\';
  file += u"DorAdor.reg";
  return u" -s \"" + file + u"\" ";
}

}  // namespace

bool RegistryKey::Open() {
  Close();
  last_result = registry_.OpenKey(root, path, access, handle);
  if (*last_result != plat::kErrorSuccess) handle = 0;
  return *last_result == plat::kErrorSuccess;
}

std::uint32_t RegistryKey::ReadDword(std::string_view name) {
  if (handle == 0) {
    last_result = plat::kErrorInvalidHandle;
    return 0;
  }
  std::array<std::uint8_t, 4> data{};
  std::uint32_t size = data.size();
  std::uint32_t type = 0;
  last_result = registry_.QueryValue(handle, name, data.data(), size, type);
  // After a failure the buffer may hold part of a larger value: that must not count.
  if (*last_result != plat::kErrorSuccess) return 0;
  return data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
}

void RegistryKey::Close() {
  if (handle != 0) registry_.CloseKey(handle);
  handle = 0;
}

bool LoadControllerSettings(plat::Registry& registry, ProgramState& state) {
  RegistryKey key(registry);
  key.path = kSettingsKey;
  key.access = plat::kKeyRead;
  if (!key.Open()) return false;
  state.poll_interval = key.ReadDword("Interval");
  return true;
}

bool ReadAppPath(plat::Registry& registry, std::array<char16_t, kAppPathCapacity>& dest) {
  std::array<std::uint8_t, kAppPathBufferBytes> buffer{};
  {
    ScopedKey key(registry);
    if (registry.OpenKeyW(plat::RegistryRoot::LocalMachine, kSettingsKeyW, plat::kKeyRead, key.handle) !=
        plat::kErrorSuccess)
      return false;
    std::uint32_t size = buffer.size();
    std::uint32_t type = 0;
    // The type is not checked and an expandable string stays as stored.
    if (registry.QueryValueW(key.handle, u"APPath", buffer.data(), size, type) != plat::kErrorSuccess) buffer.fill(0);
  }
  const auto unit = [&](std::size_t i) {
    return static_cast<char16_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
  };
  std::size_t length = 0;
  while (length < kAppPathCapacity && unit(length) != 0) ++length;
  // 512 units fill the buffer with no room for the terminator: too long, like anything longer.
  if (length == kAppPathCapacity) length = 0;
  for (std::size_t i = 0; i < length; ++i) dest[i] = unit(i);
  dest[length] = 0;
  return true;
}

void RestoreSettings(plat::System& system) {
  if (system.RunRegistryEditor(kRestoreArguments) != plat::EditorStart::NeedsElevation) return;
  // An administrator under UAC: the editor asks for elevation, which only the shell can give,
  // with a consent prompt. The elevated editor need not start in our directory, so it is
  // given the directory and the file by its full path.
  const std::u16string directory = system.CurrentDirectory();
  if (directory.empty()) return;
  system.RunRegistryEditorElevated(ElevatedRestoreArguments(directory), directory);
}

bool LoadSettingsAtCreation(plat::Registry& registry, plat::System& system, ProgramState& state) {
  if (LoadControllerSettings(registry, state)) return true;
  RestoreSettings(system);
  return LoadControllerSettings(registry, state);
}

void ConnectSettings(Services& services) {
  services.load_settings = [&services](tk::Application& app) {
    if (!LoadSettingsAtCreation(*services.registry, *services.system, services.state)) app.Terminate();
  };
  services.reload_settings = [&services] { LoadControllerSettings(*services.registry, services.state); };
}

}  // namespace shell
