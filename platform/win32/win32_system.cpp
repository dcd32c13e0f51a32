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

  EditorStart RunRegistryEditor(std::u16string_view arguments) override {
    const std::wstring editor = EditorPath();
    if (editor.empty()) return EditorStart::Failed;
    // The argument text follows the quoted program name as it is, blanks included.
    std::wstring command_line = L"\"" + editor + L"\"" + Wide(arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(editor.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
      return GetLastError() == kErrorElevationRequired ? EditorStart::NeedsElevation : EditorStart::Failed;
    CloseHandle(process.hThread);
    WaitAndClose(process.hProcess);
    return EditorStart::Ran;
  }

  void RunRegistryEditorElevated(std::u16string_view arguments, std::u16string_view directory) override {
    const std::wstring editor = EditorPath();
    if (editor.empty()) return;
    const std::wstring args = Wide(arguments);
    const std::wstring dir = Wide(directory);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpFile = editor.c_str();
    info.lpParameters = args.c_str();
    info.lpDirectory = dir.c_str();
    info.nShow = SW_SHOWNORMAL;
    // A refused consent prompt fails with ERROR_CANCELLED: nothing ran, nothing to wait for.
    if (ShellExecuteExW(&info)) WaitAndClose(info.hProcess);
  }

  std::u16string CurrentDirectory() override {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) return {};
    std::vector<wchar_t> dir(size);
    const DWORD n = GetCurrentDirectoryW(size, dir.data());
    if (n == 0 || n >= size) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(dir.data()), n);
  }

 private:
  static std::wstring Wide(std::u16string_view text) {
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
  }
};

}  // namespace

std::unique_ptr<System> MakeWin32System() { return std::make_unique<Win32System>(); }

}  // namespace plat
