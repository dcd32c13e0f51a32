#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32_files.h"
#include "platform/win32_registry.h"
#include "platform/win32_system.h"
#include "reminder/language.h"
#include "shell/settings.h"
#include "tests/e2e/harness.h"
#include "tests/fixtures/dor_ador_reg.h"
#include "tests/fixtures/ui_languages.h"

namespace {

using namespace std::chrono_literals;

constexpr wchar_t kKey[] = L"SOFTWARE\\VOVEzurevo\\Default";
constexpr wchar_t kPlantedMarker[] = L"planted-editor-ran";

// Copied into a start folder as regedit.exe, this executable only leaves a marker there:
// the tests can tell whether such a planted editor was run instead of the real one.
[[maybe_unused]] const bool kRunAsPlantedEditor = [] {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const wchar_t* base = std::wcsrchr(path, L'\\');
  if (_wcsicmp(base ? base + 1 : path, L"regedit.exe") != 0) return false;
  const HANDLE marker = CreateFileW(kPlantedMarker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  ExitProcess(0);
}();

std::wstring W(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
std::u16string U(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

std::vector<BYTE> Utf16Bytes(std::wstring_view text, bool terminated = true) {
  std::vector<BYTE> bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<BYTE>(c));
    bytes.push_back(static_cast<BYTE>(c >> 8));
  }
  if (terminated) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::vector<BYTE>& bytes) {
  const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << std::string(path.begin(), path.end());
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

// UTF-16LE with a byte-order mark: the form the installation ships.
std::vector<BYTE> ShippedText(std::wstring_view text) {
  std::vector<BYTE> bytes{0xFF, 0xFE};
  const auto body = Utf16Bytes(text, false);
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A fresh folder under the temporary directory, removed with what the tests put in it.
class TempDir {
 public:
  TempDir() {
    static int counter = 0;
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, base);
    path_ = std::wstring(base) + L"ledglow-settings-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TempDir() { RemoveTree(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::wstring& Path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  static void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    const HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveTree(dir + L"\\" + name);
        else
          DeleteFileW((dir + L"\\" + name).c_str());
      } while (FindNextFileW(h, &found));
      FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
  }
  std::wstring path_;
};

// Runs a block in another current directory, with that directory first on PATH too.
class InDirectory {
 public:
  explicit InDirectory(const std::wstring& dir) {
    wchar_t cwd[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    saved_cwd_ = cwd;
    const DWORD n = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    std::vector<wchar_t> path(n + 1);
    GetEnvironmentVariableW(L"PATH", path.data(), n + 1);
    saved_path_ = path.data();
    SetEnvironmentVariableW(L"PATH", (dir + L";" + saved_path_).c_str());
    SetCurrentDirectoryW(dir.c_str());
  }
  ~InDirectory() {
    SetCurrentDirectoryW(saved_cwd_.c_str());
    SetEnvironmentVariableW(L"PATH", saved_path_.c_str());
  }
  InDirectory(const InDirectory&) = delete;
  InDirectory& operator=(const InDirectory&) = delete;

 private:
  std::wstring saved_cwd_;
  std::wstring saved_path_;
};

// The machine-wide key is the prefix's, shared with every other test: each test starts
// without it and leaves it as it found it.
class SettingsE2E : public ::testing::Test {
 protected:
  struct Saved {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
  };

  void SetUp() override {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
      saved_.emplace();
      for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD name_size = 16384, type = 0, size = 0;
        if (RegEnumValueW(key, i, name, &name_size, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        Saved v{name, type, std::vector<BYTE>(size)};
        name_size = 16384;
        RegEnumValueW(key, i, name, &name_size, nullptr, &type, v.data.data(), &size);
        saved_->push_back(std::move(v));
      }
      RegCloseKey(key);
    }
    DeleteKey();
  }
  void TearDown() override {
    DeleteKey();
    if (saved_)
      for (const Saved& v : *saved_) SetValue(v.name.c_str(), v.type, v.data);
  }

  static void DeleteKey() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey);  // values and sub-keys, not the key itself
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
  }
  static void SetValue(const wchar_t* name, DWORD type, const std::vector<BYTE>& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
  }
  static bool KeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
  static void PlantEditor(const TempDir& dir) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    ASSERT_TRUE(CopyFileW(self, (dir / L"regedit.exe").c_str(), FALSE));
  }
  static void PutDorAdorReg(const TempDir& dir) {
    WriteFileBytes(dir / L"DorAdor.reg", ShippedText(W(fixtures::kDorAdorReg)));
  }

  std::unique_ptr<plat::Registry> registry = plat::MakeWin32Registry();
  std::unique_ptr<plat::System> system = plat::MakeWin32System();

 private:
  std::optional<std::vector<Saved>> saved_;
};

TEST_F(SettingsE2E, IntervalIsAFourByteQueryOfTheRealRegistry) {
  struct Case {
    const char* what;
    std::optional<DWORD> type;
    std::vector<BYTE> data;
    std::uint32_t interval;
  };
  const Case cases[] = {
      {"REG_DWORD", REG_DWORD, {0x60, 0xEA, 0, 0}, 60000},
      {"missing", std::nullopt, {}, 0},
      {"REG_SZ of more than 4 bytes", REG_SZ, Utf16Bytes(L"60000"), 0},
      {"REG_BINARY of 4 bytes", REG_BINARY, {0x01, 0x02, 0x03, 0x84}, 0x84030201},
      {"REG_BINARY of 2 bytes", REG_BINARY, {0x10, 0x27}, 10000},
      {"REG_BINARY of 5 bytes", REG_BINARY, {1, 2, 3, 4, 5}, 0},
  };
  for (const Case& c : cases) {
    DeleteKey();
    SetValue(L"APPath", REG_SZ, Utf16Bytes(L"C:\\Tools"));
    if (c.type) SetValue(L"Interval", *c.type, c.data);
    shell::ProgramState state;
    state.poll_interval = 12345;
    EXPECT_TRUE(shell::LoadControllerSettings(*registry, state)) << c.what;
    EXPECT_EQ(state.poll_interval, c.interval) << c.what;
  }
  DeleteKey();
  shell::ProgramState state;
  EXPECT_FALSE(shell::LoadControllerSettings(*registry, state));
  EXPECT_EQ(state.poll_interval, 10000u);
}

TEST_F(SettingsE2E, AppPathThroughTheRealRegistry) {
  struct Case {
    const char* what;
    std::optional<DWORD> type;
    std::vector<BYTE> data;
    std::wstring expected;
  };
  const std::wstring long511 = L"C:\\" + std::wstring(508, L'p');
  const Case cases[] = {
      {"REG_SZ", REG_SZ, Utf16Bytes(L"C:\\Program Files\\VOVEzurevo"), L"C:\\Program Files\\VOVEzurevo"},
      {"missing", std::nullopt, {}, L""},
      {"REG_EXPAND_SZ is not expanded", REG_EXPAND_SZ, Utf16Bytes(L"%SystemRoot%\\VOVEzurevo"),
       L"%SystemRoot%\\VOVEzurevo"},
      {"beyond ASCII", REG_SZ, Utf16Bytes(L"C:\\\u00dcberall\\\u65e5\u672c"), L"C:\\\u00dcberall\\\u65e5\u672c"},
      {"511 characters", REG_SZ, Utf16Bytes(long511), long511},
      {"512 characters", REG_SZ, Utf16Bytes(long511 + L"p"), L""},
      {"600 characters", REG_SZ, Utf16Bytes(std::wstring(600, L'q')), L""},
  };
  for (const Case& c : cases) {
    DeleteKey();
    SetValue(L"Interval", REG_DWORD, {0x10, 0x27, 0, 0});
    if (c.type) SetValue(L"APPath", *c.type, c.data);
    std::array<char16_t, shell::kAppPathCapacity> dest{};
    EXPECT_TRUE(shell::ReadAppPath(*registry, dest)) << c.what;
    EXPECT_EQ(W(dest.data()), c.expected) << c.what;
  }
  DeleteKey();
  std::array<char16_t, shell::kAppPathCapacity> dest{};
  EXPECT_FALSE(shell::ReadAppPath(*registry, dest));
}

TEST_F(SettingsE2E, RestoreRunsTheRealEditorNotOnePlantedInTheStartFolder) {
  TempDir dir;
  PutDorAdorReg(dir);
  PlantEditor(dir);
  // The plant is live: started by its path, it leaves its marker in its current directory.
  {
    e2e::Process planted(L"\"" + (dir / L"regedit.exe") + L"\" -s DorAdor.reg", dir.Path());
    ASSERT_TRUE(planted.Started());
    ASSERT_TRUE(planted.WaitExit(30s)) << "the planted editor did not end";
    ASSERT_TRUE(FileExists(dir / kPlantedMarker));
    DeleteFileW((dir / kPlantedMarker).c_str());
  }
  ASSERT_FALSE(KeyExists());
  {
    InDirectory in(dir.Path());
    shell::RestoreSettings(*system);
  }
  EXPECT_FALSE(FileExists(dir / kPlantedMarker)) << "the regedit.exe of the start folder ran";
  shell::ProgramState state;
  ASSERT_TRUE(shell::LoadControllerSettings(*registry, state)) << "the real editor did not import DorAdor.reg";
  EXPECT_EQ(state.poll_interval, fixtures::kDorAdorInterval);
  std::array<char16_t, shell::kAppPathCapacity> dest{};
  EXPECT_TRUE(shell::ReadAppPath(*registry, dest));
  EXPECT_EQ(std::u16string(dest.data()), fixtures::kDorAdorAppPath);
}

TEST_F(SettingsE2E, RestoreWithoutDorAdorRegReturnsAndLeavesTheKeyMissing) {
  TempDir dir;
  {
    InDirectory in(dir.Path());
    shell::ProgramState state;
    EXPECT_FALSE(shell::LoadSettingsAtCreation(*registry, *system, state));
    EXPECT_EQ(state.poll_interval, 10000u);
  }
  EXPECT_FALSE(KeyExists());
}

// The product itself, started in a folder of the test's choosing.
class SettingsProgramE2E : public SettingsE2E {
 protected:
  void SetUp() override {
    SettingsE2E::SetUp();
    e2e::EndAllInstances();
  }
  void TearDown() override {
    e2e::EndAllInstances();
    SettingsE2E::TearDown();
  }
  static HWND ControllerOf(DWORD pid) {
    for (HWND w : e2e::TopWindows("TSetupFrm", "DED EZORUZ SETUP-KORVELID09"))
      if (e2e::WindowProcess(w) == pid) return w;
    return nullptr;
  }
  static bool AnyVisibleWindowOf(DWORD pid) {
    for (const char* cls : {"TSetupFrm", "TRFLed", "TRemindDlg", "TApplication"})
      for (HWND w : e2e::TopWindows(cls, nullptr))
        if (e2e::WindowProcess(w) == pid && IsWindowVisible(w)) return true;
    return false;
  }
  static std::wstring Ledglow() { return L"\"" + e2e::LedglowPath() + L"\""; }
  static void Quit() {
    e2e::Process quit(Ledglow() + L" /q");
    quit.WaitExit(20s);
  }
};

TEST_F(SettingsProgramE2E, KeyMissingIsRestoredFromTheStartFolderByTheRealEditor) {
  TempDir dir;
  PutDorAdorReg(dir);
  PlantEditor(dir);
  e2e::Process instance(Ledglow(), dir.Path());
  ASSERT_TRUE(instance.Started());
  EXPECT_TRUE(e2e::WaitFor([&] { return ControllerOf(instance.Id()) != nullptr; }, 30s))
      << "the program made no controller window";
  e2e::Pump(500ms);
  EXPECT_EQ(instance.ExitCode(), STILL_ACTIVE) << "the instance ended";
  EXPECT_TRUE(KeyExists());
  EXPECT_FALSE(FileExists(dir / kPlantedMarker)) << "the regedit.exe of the start folder ran";
  Quit();
  EXPECT_TRUE(instance.WaitExit(20s)) << "the program did not end on its quit";
}

TEST_F(SettingsProgramE2E, KeyMissingAndNoDorAdorRegEndsByItselfShowingNothing) {
  TempDir dir;
  e2e::Process instance(Ledglow(), dir.Path());
  ASSERT_TRUE(instance.Started());
  bool shown = false;
  EXPECT_TRUE(e2e::WaitFor(
      [&] {
        shown = shown || AnyVisibleWindowOf(instance.Id());
        return instance.ExitCode() != STILL_ACTIVE;
      },
      30s))
      << "the program did not end by itself";
  EXPECT_EQ(instance.ExitCode(), 0u);
  EXPECT_FALSE(shown);
  EXPECT_FALSE(KeyExists());
}

TEST_F(SettingsProgramE2E, ReloadWithTheKeyDeletedKeepsTheInstanceRunning) {
  SetValue(L"Interval", REG_DWORD, {0x10, 0x27, 0, 0});
  SetValue(L"APPath", REG_SZ, Utf16Bytes(L"C:\\Tools"));
  TempDir dir;
  e2e::Process instance(Ledglow(), dir.Path());
  ASSERT_TRUE(e2e::WaitFor([&] { return ControllerOf(instance.Id()) != nullptr; }, 30s))
      << "the program made no controller window";
  DeleteKey();
  e2e::Process reload(Ledglow() + L" /u");
  EXPECT_TRUE(reload.WaitExit(20s)) << "the \"/u\" start did not end";
  e2e::Pump(1s);
  EXPECT_NE(ControllerOf(instance.Id()), nullptr) << "the instance ended on a reload";
  EXPECT_FALSE(instance.WaitExit(0ms)) << "the instance ended on a reload";
  Quit();
  EXPECT_TRUE(instance.WaitExit(20s)) << "the program did not end on its quit";
}

class LanguageE2E : public SettingsE2E {};

TEST_F(LanguageE2E, ShippedMessageFileThroughTheRealIniReader) {
  TempDir dir;
  CreateDirectoryW((dir / L"VXQ").c_str(), nullptr);
  SetValue(L"Interval", REG_DWORD, {0x10, 0x27, 0, 0});
  SetValue(L"APPath", REG_SZ, Utf16Bytes(dir.Path()));
  auto files = plat::MakeWin32Files();
  // The user's own language, whichever the prefix has: its row decides the file's name.
  const std::u16string code(fixtures::CodeOf(GetUserDefaultUILanguage()));
  const std::wstring file = dir / (L"VXQ\\LNG_" + W(code) + L".vxq");
  WriteFileBytes(file, ShippedText(L"; S076 left out on purpose\r\n"
                                   L"[MSG]\r\n"
                                   L"S032=Ersetzen Sie die Batterie Ihrer Funktastatur!\r\n"
                                   L"S075=Sp\u00e4ter erinnern \U0001F50B\r\n"
                                   L"S100=" + std::wstring(300, L'L') + L"\r\n"));

  shell::ProgramState state;
  tk::Font hint;
  reminder::PrepareMessageFile(state, hint, *registry, *system, *files);
  EXPECT_EQ(W(state.message_file_name.data()), file);
  EXPECT_TRUE(files->Exists(state.message_file_name.data()));

  const std::u16string name(state.message_file_name.data());
  struct Case {
    int number;
    std::wstring expected;
  };
  const Case cases[] = {
      {32, L"Ersetzen Sie die Batterie Ihrer Funktastatur!"},
      {75, L"Sp\u00e4ter erinnern \U0001F50B"},
      {76, L"S076"},
      {100, std::wstring(255, L'L')},
  };
  for (const Case& c : cases)
    EXPECT_EQ(W(reminder::ReadMessageText(*files, u"MSG", c.number, name)), c.expected) << c.number;
  EXPECT_EQ(W(reminder::ReadMessageText(*files, u"MSG", 32, U(dir / L"VXQ\\LNG_ffff.vxq"))), L"S032");
}

TEST_F(LanguageE2E, ExistenceIsOfExactlyThatName) {
  TempDir dir;
  WriteFileBytes(dir / L"LNG_0409.vxq", ShippedText(L"[MSG]\r\n"));
  auto files = plat::MakeWin32Files();
  EXPECT_TRUE(files->Exists(U(dir / L"LNG_0409.vxq")));
  EXPECT_FALSE(files->Exists(U(dir / L"LNG_0407.vxq")));
  EXPECT_FALSE(files->Exists(U(dir / L"LNG_04?9.vxq")));
  EXPECT_FALSE(files->Exists(U(dir / L"*.vxq")));
  EXPECT_FALSE(files->Exists(u""));
}

}  // namespace
