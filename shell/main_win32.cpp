#include <windows.h>

#include "kbdlink/kbdlink.h"
#include "platform/win32_desktop.h"
#include "platform/win32_files.h"
#include "platform/win32_registry.h"
#include "platform/win32_system.h"
#include "reminder/language.h"
#include "shell/settings.h"
#include "shell/startup.h"
#include "toolkit/win32_backend.h"
#include "wminput/wminput.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  auto ui = tk::MakeWin32Backend();
  auto desktop = plat::MakeWin32Desktop();
  auto registry = plat::MakeWin32Registry();
  auto files = plat::MakeWin32Files();
  auto system = plat::MakeWin32System();
  shell::Services services;
  services.desktop = desktop.get();
  services.registry = registry.get();
  services.files = files.get();
  services.system = system.get();
  shell::ConnectSettings(services);
  reminder::ConnectMessageFile(services);
  services.attach_input = [](std::uint32_t window) { WmInputAttach(window); };
  services.get_features = [](std::uint32_t vendor_id, std::uint32_t product_id, std::uint32_t usage_page,
                             std::uint32_t usage, std::uint8_t* buffer) {
    GetFeatures(vendor_id, product_id, usage_page, usage, buffer);
  };
  return shell::Startup(GetCommandLineW(), *ui, services);
}
