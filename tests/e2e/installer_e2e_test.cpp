#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "forms/remind_dlg_layout.h"
#include "reminder/language.h"
#include "reminder/language_tables.h"
#include "tests/e2e/harness.h"
#include "tests/fixtures/ui_languages.h"

// The silent installer and uninstaller as a user runs them, and the program started the way
// log-on starts it.
namespace e2e {
namespace {

using namespace std::chrono_literals;

#ifdef LEDGLOW_SETUP_NAME

constexpr wchar_t kKey[] = L"SOFTWARE\\VOVEzurevo\\Default";
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ledglow";

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::wstring ProgramFolder() {
  wchar_t dir[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, dir);
  return std::wstring(dir) + L"\\" + LEDGLOW_PRODUCT_FOLDER;
}

std::wstring StartupShortcut() {
  wchar_t dir[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_COMMON_STARTUP, nullptr, SHGFP_TYPE_CURRENT, dir);
  return std::wstring(dir) + L"\\ledglow.lnk";
}

bool KeyExists(const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::optional<DWORD> ReadDword(const wchar_t* name) {
  DWORD value = 0, size = sizeof value, type = 0;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kKey, name, RRF_RT_ANY, &type, &value, &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return std::nullopt;
  return value;
}

std::optional<std::wstring> ReadString(const wchar_t* name) {
  wchar_t text[1024] = {};
  DWORD size = sizeof text, type = 0;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kKey, name, RRF_RT_ANY, &type, text, &size) != ERROR_SUCCESS || type != REG_SZ)
    return std::nullopt;
  return std::wstring(text);
}

// What log-on runs: the shortcut's target, arguments and working directory.
struct LogOnEntry {
  std::wstring target, arguments, directory;
};

std::optional<LogOnEntry> ReadShortcut(const std::wstring& path) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return std::nullopt;
  std::optional<LogOnEntry> entry;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
      wchar_t target[MAX_PATH] = {}, arguments[MAX_PATH] = {}, directory[MAX_PATH] = {};
      link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
      link->GetArguments(arguments, MAX_PATH);
      link->GetWorkingDirectory(directory, MAX_PATH);
      entry = LogOnEntry{target, arguments, directory};
    }
    file->Release();
  }
  link->Release();
  return entry;
}

HWND ControllerOf(const Process& p) {
  for (HWND w : TopWindows("TSetupFrm", "DED EZORUZ SETUP-KORVELID09"))
    if (WindowProcess(w) == p.Id()) return w;
  return nullptr;
}

class Installer : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    EndAllInstances();
    const std::wstring setup = BinaryDir() + L"\\" + LEDGLOW_SETUP_NAME;
    ASSERT_TRUE(Exists(setup)) << Narrow(setup);
    Process install(L"\"" + setup + L"\" /S");
    ASSERT_TRUE(install.Started());
    ASSERT_TRUE(install.WaitExit(60s)) << "the silent installer did not end";
    ASSERT_EQ(install.ExitCode(), 0u);
  }
  void TearDown() override {
    EndAllInstances();
    if (Exists(ProgramFolder() + L"\\uninstall.exe")) Uninstall();
    CoUninitialize();
  }

  // The uninstaller copies itself to the temporary folder and works from there, so its own
  // exit says nothing; it removes the folder last.
  static bool Uninstall() {
    Process uninstall(L"\"" + ProgramFolder() + L"\\uninstall.exe\" /S");
    if (!uninstall.Started() || !uninstall.WaitExit(60s)) return false;
    return WaitFor([] { return !Exists(ProgramFolder()) && !KeyExists(kUninstallKey); }, 60s);
  }

  static LogOnEntry Entry() {
    const auto entry = ReadShortcut(StartupShortcut());
    EXPECT_TRUE(entry) << "no log-on shortcut at " << Narrow(StartupShortcut());
    return entry.value_or(LogOnEntry{});
  }

  static std::unique_ptr<Process> StartFromLogOnEntry() {
    const LogOnEntry entry = Entry();
    std::wstring line = L"\"" + entry.target + L"\"";
    if (!entry.arguments.empty()) line += L" " + entry.arguments;
    return std::make_unique<Process>(line, entry.directory);
  }
};

TEST_F(Installer, InstallsFilesSettingsAndLogOnEntry) {
  const std::wstring dir = ProgramFolder();
  for (const wchar_t* name : {L"ledglow.exe", L"kbdlink.dll", L"wminput.dll", L"DorAdor.reg", L"uninstall.exe"})
    EXPECT_TRUE(Exists(dir + L"\\" + name)) << Narrow(name);
  std::vector<std::u16string_view> codes{fixtures::kEnglishCode};
  for (const fixtures::UiLanguage& row : fixtures::kUiLanguages) codes.push_back(row.code);
  for (std::u16string_view code : codes) {
    const std::wstring file = dir + L"\\VXQ\\LNG_" + std::wstring(code.begin(), code.end()) + L".vxq";
    EXPECT_TRUE(Exists(file)) << Narrow(file);
  }

  EXPECT_EQ(ReadDword(L"Interval"), 10000u);
  EXPECT_EQ(ReadString(L"APPath"), dir) << "the program folder, without a trailing backslash";

  const LogOnEntry entry = Entry();
  EXPECT_EQ(_wcsicmp(entry.target.c_str(), (dir + L"\\ledglow.exe").c_str()), 0) << Narrow(entry.target);
  EXPECT_TRUE(entry.arguments.empty()) << Narrow(entry.arguments);
  EXPECT_EQ(_wcsicmp(entry.directory.c_str(), dir.c_str()), 0) << Narrow(entry.directory);
}

TEST_F(Installer, LogOnStartShowsTheTrayIconQuitEndsItAndUninstallLeavesNothing) {
  auto app = StartFromLogOnEntry();
  ASSERT_TRUE(app->Started());
  ASSERT_TRUE(WaitFor([&] { return ControllerOf(*app) != nullptr; }, 20s))
      << "the installed program made no controller window";
  ASSERT_TRUE(WaitFor([] { return !RunHost("xdotool search --onlyvisible --name 'Wine System Tray'").empty(); },
                      20s))
      << "no tray icon";
  ASSERT_TRUE(ClickTrayIcon(1));
  EXPECT_TRUE(WaitFor(
      [&] {
        for (HWND w : TopWindows("TRFLed", "RFLed"))
          if (WindowProcess(w) == app->Id() && IsWindowVisible(w)) return true;
        return false;
      },
      10s))
      << "the tray icon does not pop the strip up";
  if (const char* shots = std::getenv("LEDGLOW_SCREENSHOT_DIR"); shots && *shots)
    Screenshot(std::string(shots) + "/installed-strip.png");

  const LogOnEntry entry = Entry();
  Process quit(L"\"" + entry.target + L"\" /q", entry.directory);
  ASSERT_TRUE(quit.WaitExit(20s)) << "the \"/q\" start did not end";
  ASSERT_TRUE(app->WaitExit(20s)) << "/q did not end the installed program";
  EXPECT_EQ(app->ExitCode(), 0u);

  ASSERT_TRUE(Uninstall()) << "program folder still there";
  EXPECT_FALSE(Exists(StartupShortcut()));
  EXPECT_FALSE(KeyExists(kKey));
  EXPECT_FALSE(KeyExists(kUninstallKey));
  EXPECT_TRUE(TopWindows("TSetupFrm", nullptr).empty());
  EXPECT_TRUE(TopWindows("TRFLed", nullptr).empty());
}

// The installed DorAdor.reg holds what the installer wrote: deleting the key and starting the
// way log-on does brings back the same values. The uninstaller then ends the running copy.
TEST_F(Installer, LogOnStartRestoresDeletedSettingsAndUninstallEndsTheRunningCopy) {
  ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey), ERROR_SUCCESS);
  ASSERT_FALSE(KeyExists(kKey));

  auto app = StartFromLogOnEntry();
  ASSERT_TRUE(app->Started());
  // The controller window exists before its creation handler has run the registry editor.
  ASSERT_TRUE(WaitFor([] { return KeyExists(kKey); }, 30s)) << "did not restore its settings";
  EXPECT_EQ(ReadDword(L"Interval"), 10000u);
  EXPECT_EQ(ReadString(L"APPath"), ProgramFolder());
  Pump(2s);
  EXPECT_NE(ControllerOf(*app), nullptr) << "ended although its settings came back";
  EXPECT_EQ(app->ExitCode(), static_cast<DWORD>(STILL_ACTIVE));

  ASSERT_TRUE(Uninstall()) << "program folder still there";
  EXPECT_TRUE(app->WaitExit(20s)) << "the uninstaller left the program running";
  EXPECT_FALSE(KeyExists(kKey));
  EXPECT_FALSE(Exists(StartupShortcut()));
}

// The installed texts as the real INI reader gives them, each measured in the font its
// language gets at each display scale from 100 to 200 %, against the width its control leaves
// for text and the control's height, both scaled as the dialog scales them.
TEST_F(Installer, InstalledTextsReadThroughTheIniReaderAndFitTheirControlsAtEveryScale) {
  namespace layout = forms::remind_dlg;
  struct Text {
    const wchar_t* key;
    tk::Rect control;
    int inner;  // pixels at 96 DPI the control keeps for itself (check mark, button edges)
  };
  const Text texts[] = {{L"S032", layout::kTntLabel1.bounds, 0},
                        {L"S075", layout::kTntCheckBox1.bounds, GetSystemMetrics(SM_CXMENUCHECK) + 4},
                        {L"S076", layout::kTntBitBtn1.bounds, 8}};

  std::vector<std::pair<std::u16string_view, std::uint16_t>> languages{{fixtures::kEnglishCode, 0x0409}};
  for (const fixtures::UiLanguage& row : fixtures::kUiLanguages) languages.emplace_back(row.code, row.ids[0]);

  HDC dc = GetDC(nullptr);
  for (const int dpi : {96, 120, 144, 168, 192}) {
    for (const auto& [code, language] : languages) {
      const std::wstring file = ProgramFolder() + L"\\VXQ\\LNG_" + std::wstring(code.begin(), code.end()) + L".vxq";
      const reminder::FontRow* row = reminder::FontRowFor(language);
      const tk::Font font = row ? tk::Font{std::string(row->face), row->charset, row->size_pt} : tk::Font{};
      HFONT f = CreateFontA(-MulDiv(font.size_pt, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, font.charset,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                            font.face.c_str());
      const HGDIOBJ old = SelectObject(dc, f);
      TEXTMETRICW metrics{};
      GetTextMetricsW(dc, &metrics);
      for (const Text& t : texts) {
        wchar_t value[256] = {};
        GetPrivateProfileStringW(L"MSG", t.key, t.key, value, 256, file.c_str());
        EXPECT_STRNE(value, t.key) << Narrow(file) << " " << Narrow(t.key);
        SIZE extent{};
        GetTextExtentPoint32W(dc, value, lstrlenW(value), &extent);
        const std::string where = Narrow(file) + " " + Narrow(t.key) + " at " + std::to_string(dpi) + " DPI";
        EXPECT_LE(extent.cx, MulDiv(t.control.Width() - t.inner, dpi, 96)) << where << ": too wide, it wraps";
        EXPECT_LE(metrics.tmHeight, MulDiv(t.control.Height(), dpi, 96)) << where << ": taller than its control";
      }
      SelectObject(dc, old);
      DeleteObject(f);
    }
  }
  ReleaseDC(nullptr, dc);
}

#else
TEST(Installer, NeedsMakensisAtBuildTime) { GTEST_SKIP() << "built without makensis: no installer to test"; }
#endif

}  // namespace
}  // namespace e2e
