#include "platform/win32_system.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace plat {
namespace {

constexpr DWORD kErrorElevationRequired = 740;  // not in every MinGW winerror.h

// The editor in the Windows directory by its full path: no search of the current directory
// or PATH, so a regedit.exe lying in the start folder never runs.
std::wstring EditorPath() {
  const UINT needed = GetSystemWindowsDirectoryW(nullptr, 0);
  if (needed == 0) return {};
  std::vector<wchar_t> dir(needed);
  const UINT n = GetSystemWindowsDirectoryW(dir.data(), needed);
  if (n == 0 || n >= needed) return {};
  std::wstring path(dir.data(), n);
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path + L"regedit.exe";
}

void WaitAndClose(HANDLE process) {
  if (!process) return;
  WaitForSingleObject(process, INFINITE);
  CloseHandle(process);
}

class Win32System final : public System {
 public:
  std::uint16_t UserUiLanguage() override { return GetUserDefaultUILanguage(); }

  void RunRegistryEditor(std::u16string_view arguments) override {
    const std::wstring editor = EditorPath();
    if (editor.empty()) return;
    const std::wstring args(reinterpret_cast<const wchar_t*>(arguments.data()), arguments.size());
    // The argument text follows the quoted program name as it is, blanks included.
    std::wstring command_line = L"\"" + editor + L"\"" + args;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(editor.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
      CloseHandle(process.hThread);
      WaitAndClose(process.hProcess);
      return;
    }
    if (GetLastError() != kErrorElevationRequired) return;
    // The editor asks for administrator rights; only the shell can start it then. The
    // elevated process gets the current directory passed on explicitly.
    const DWORD dir_size = GetCurrentDirectoryW(0, nullptr);
    std::vector<wchar_t> dir(dir_size + 1);
    if (dir_size == 0 || GetCurrentDirectoryW(dir_size, dir.data()) == 0) return;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpFile = editor.c_str();
    info.lpParameters = args.c_str();
    info.lpDirectory = dir.data();
    info.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&info)) WaitAndClose(info.hProcess);
  }
};

}  // namespace

std::unique_ptr<System> MakeWin32System() { return std::make_unique<Win32System>(); }

}  // namespace plat
