#include <windows.h>

#include "platform/win32_desktop.h"
#include "shell/startup.h"
#include "toolkit/win32_backend.h"
#include "wminput/wminput.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  auto ui = tk::MakeWin32Backend();
  auto desktop = plat::MakeWin32Desktop();
  shell::Services services;
  services.desktop = desktop.get();
  services.attach_input = [](std::uint32_t window) { WmInputAttach(window); };
  return shell::Startup(GetCommandLineW(), *ui, services);
}
