#include "shell/settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/headless_desktop.h"
#include "platform/headless_files.h"
#include "platform/headless_registry.h"
#include "platform/headless_system.h"
#include "display/rfled.h"
#include "reminder/language.h"
#include "shell/setup_frm.h"
#include "shell/startup.h"
#include "tests/fixtures/dor_ador_reg.h"
#include "toolkit/application.h"
#include "toolkit/headless_backend.h"

namespace shell {
namespace {

using plat::RegistryRoot;
constexpr auto kLm = RegistryRoot::LocalMachine;
// The machine-wide key as the installation writes it; written out, not taken from the program.
constexpr char16_t kKeyW[] = u"SOFTWARE\\VOVEzurevo\\Default";

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> bytes;
  for (int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
  return bytes;
}

std::u16string Text(std::size_t length, char16_t fill = u'x') { return u"C:\\" + std::u16string(length - 3, fill); }

struct ValueSpec {
  std::uint32_t type;
  std::vector<std::uint8_t> data;
};

ValueSpec Utf16(std::u16string_view text, std::uint32_t type = plat::kRegSz, bool terminated = true) {
  ValueSpec v{type, {}};
  for (char16_t c : text) {
    v.data.push_back(static_cast<std::uint8_t>(c));
    v.data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  if (terminated) v.data.insert(v.data.end(), {0, 0});
  return v;
}

TEST(Settings, IntervalIsAFourByteQueryWhateverTheType) {
  struct Case {
    const char* what;
    std::optional<ValueSpec> value;
    std::uint32_t interval;
  };
  const Case cases[] = {
      {"REG_DWORD", ValueSpec{plat::kRegDword, Bytes({0x60, 0xEA, 0, 0})}, 60000},
      {"REG_DWORD 0: the poll stops after the round that reads it", ValueSpec{plat::kRegDword, Bytes({0, 0, 0, 0})}, 0},
      {"REG_DWORD all bits", ValueSpec{plat::kRegDword, Bytes({0xFF, 0xFF, 0xFF, 0xFF})}, 0xFFFFFFFF},
      {"missing", std::nullopt, 0},
      {"REG_SZ of more than 4 bytes", Utf16(u"60000"), 0},
      {"REG_BINARY of 4 bytes is little-endian", ValueSpec{plat::kRegBinary, Bytes({0x01, 0x02, 0x03, 0x84})},
       0x84030201},
      {"REG_BINARY of 2 bytes: high bytes 0", ValueSpec{plat::kRegBinary, Bytes({0x10, 0x27})}, 10000},
      {"REG_BINARY of 1 byte", ValueSpec{plat::kRegBinary, Bytes({0x07})}, 7},
      {"REG_BINARY empty", ValueSpec{plat::kRegBinary, {}}, 0},
      {"REG_BINARY of 5 bytes", ValueSpec{plat::kRegBinary, Bytes({1, 2, 3, 4, 5})}, 0},
      {"REG_BINARY of 64 KiB", ValueSpec{plat::kRegBinary, std::vector<std::uint8_t>(65536, 0x11)}, 0},
  };
  for (const Case& c : cases) {
    plat::HeadlessRegistry registry;
    registry.AddKey(kLm, kKeyW);
    registry.SetString(kLm, kKeyW, u"APPath", u"C:\\Tools");
    if (c.value) registry.SetValue(kLm, kKeyW, u"Interval", c.value->type, c.value->data);
    ProgramState state;
    state.poll_interval = 12345;
    EXPECT_TRUE(LoadControllerSettings(registry, state)) << c.what;
    EXPECT_EQ(state.poll_interval, c.interval) << c.what;
    // Read-only: an ordinary user cannot open the machine-wide key for writing.
    EXPECT_EQ(registry.AccessRequested(), std::vector<std::uint32_t>{plat::kKeyRead}) << c.what;
    EXPECT_EQ(registry.OpenHandles(), 0u) << c.what;
  }
}

TEST(Settings, MissingKeyKeepsTheIntervalAndAReloadTakesNewValues) {
  plat::HeadlessRegistry registry;
  ProgramState state;
  EXPECT_FALSE(LoadControllerSettings(registry, state));
  EXPECT_EQ(state.poll_interval, 10000u);

  registry.SetDwordValue(kLm, kKeyW, u"Interval", 30000);
  EXPECT_TRUE(LoadControllerSettings(registry, state));
  EXPECT_EQ(state.poll_interval, 30000u);
  registry.SetDwordValue(kLm, kKeyW, u"Interval", 45000);
  EXPECT_TRUE(LoadControllerSettings(registry, state));
  EXPECT_EQ(state.poll_interval, 45000u);

  registry.DeleteKey(kLm, u"SOFTWARE\\VOVEzurevo");
  EXPECT_FALSE(LoadControllerSettings(registry, state));
  EXPECT_EQ(state.poll_interval, 45000u);
  EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST(Settings, RegistryKeyRecordsResultsAndClosesItsHandle) {
  plat::HeadlessRegistry registry;
  registry.SetValue(kLm, kKeyW, u"Big", plat::kRegBinary, Bytes({1, 2, 3, 4, 5, 6}));
  {
    RegistryKey key(registry);
    EXPECT_EQ(key.root, kLm);
    EXPECT_EQ(key.path, "");
    EXPECT_EQ(key.access, plat::kKeyAllAccess);
    EXPECT_EQ(key.handle, 0u);
    EXPECT_FALSE(key.last_result.has_value());

    key.path = "SOFTWARE\\VOVEzurevo\\Default";
    EXPECT_FALSE(key.Open());  // all access to a machine-wide key is refused
    EXPECT_EQ(key.last_result, plat::kErrorAccessDenied);
    EXPECT_EQ(key.ReadDword("Big"), 0u);
    EXPECT_EQ(key.last_result, plat::kErrorInvalidHandle);

    key.access = plat::kKeyRead;
    EXPECT_TRUE(key.Open());
    EXPECT_EQ(key.last_result, plat::kErrorSuccess);
    EXPECT_EQ(key.ReadDword("Big"), 0u);
    EXPECT_EQ(key.last_result, plat::kErrorMoreData);
    EXPECT_EQ(key.ReadDword("Absent"), 0u);
    EXPECT_EQ(key.last_result, plat::kErrorFileNotFound);
    EXPECT_TRUE(key.Open());  // opening again does not leak the first handle
    EXPECT_EQ(registry.OpenHandles(), 1u);
  }
  EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST(Settings, AppPathIsCopiedAsStoredUpTo511Characters) {
  struct Case {
    const char* what;
    std::optional<ValueSpec> value;
    std::u16string expected;
  };
  const std::u16string long511 = Text(511);
  const Case cases[] = {
      {"normal", Utf16(u"C:\\Tools"), u"C:\\Tools"},
      {"missing", std::nullopt, u""},
      {"empty", Utf16(u""), u""},
      {"511 characters", Utf16(long511), long511},
      {"511 characters without terminator", Utf16(long511, plat::kRegSz, false), long511},
      {"512 characters", Utf16(Text(512)), u""},
      {"512 characters filling the buffer without terminator", Utf16(Text(512), plat::kRegSz, false), u""},
      {"600 characters", Utf16(Text(600)), u""},
      {"REG_EXPAND_SZ is not expanded", Utf16(u"%ProgramFiles%\\VOVEzurevo", plat::kRegExpandSz),
       u"%ProgramFiles%\\VOVEzurevo"},
      {"beyond ASCII, through the UTF-16 functions", Utf16(u"D:\\Überall\\日本"), u"D:\\Überall\\日本"},
      {"up to the first zero", Utf16(std::u16string(u"C:\\A\0junk", 9)), u"C:\\A"},
      {"type not checked; odd size", ValueSpec{plat::kRegBinary, Bytes({'C', 0, ':', 0, 'Q'})}, u"C:Q"},
  };
  for (const Case& c : cases) {
    plat::HeadlessRegistry registry;
    registry.AddKey(kLm, kKeyW);
    if (c.value) registry.SetValue(kLm, kKeyW, u"APPath", c.value->type, c.value->data);
    std::array<char16_t, kAppPathCapacity> dest{};
    EXPECT_TRUE(ReadAppPath(registry, dest)) << c.what;
    EXPECT_EQ(std::u16string(dest.data()), c.expected) << c.what;
    for (std::size_t i = c.expected.size(); i < dest.size(); ++i) {
      ASSERT_EQ(dest[i], 0) << c.what << " at " << i;
    }
    EXPECT_EQ(registry.AccessRequested(), std::vector<std::uint32_t>{plat::kKeyRead}) << c.what;
    EXPECT_EQ(registry.OpenHandles(), 0u) << c.what;
  }
}

TEST(Settings, AppPathWithTheKeyMissingLeavesTheDestination) {
  plat::HeadlessRegistry registry;
  std::array<char16_t, kAppPathCapacity> dest{};
  EXPECT_FALSE(ReadAppPath(registry, dest));
  EXPECT_EQ(dest, (std::array<char16_t, kAppPathCapacity>{}));
}

TEST(Settings, CreationRestoresFromDorAdorRegAndLoadsAgain) {
  struct Case {
    const char* what;
    bool key_present;
    std::optional<std::u16string> dor_ador;
    bool loaded;
    std::size_t editor_runs;
    std::uint32_t interval;
  };
  const Case cases[] = {
      {"key present", true, std::nullopt, true, 0, 20000},
      {"restored", false, fixtures::kDorAdorReg, true, 1, fixtures::kDorAdorInterval},
      {"no DorAdor.reg", false, std::nullopt, false, 1, 10000},
      {"DorAdor.reg for another key", false, u"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n\"Interval\"=dword:1\r\n",
       false, 1, 10000},
      {"not a .reg text", false, u"Interval=5\r\n", false, 1, 10000},
  };
  for (const Case& c : cases) {
    plat::HeadlessRegistry registry;
    plat::HeadlessSystem system(&registry);
    if (c.key_present) registry.SetDwordValue(kLm, kKeyW, u"Interval", 20000);
    if (c.dor_ador) system.current_directory[u"DorAdor.reg"] = *c.dor_ador;
    ProgramState state;
    EXPECT_EQ(LoadSettingsAtCreation(registry, system, state), c.loaded) << c.what;
    EXPECT_EQ(state.poll_interval, c.interval) << c.what;
    ASSERT_EQ(system.EditorRuns().size(), c.editor_runs) << c.what;
    if (c.editor_runs) {
      EXPECT_EQ(system.EditorRuns()[0], u" -s DorAdor.reg ") << c.what;
    }
  }
}

// The whole program on the headless platform, with the settings and message file wired in
// as the product wires them.
struct Program {
  Program() {
    services.registry = &registry;
    services.desktop = &desktop;
    services.files = &files;
    services.system = &system;
    ConnectSettings(services);
    reminder::ConnectMessageFile(services);
  }
  int Start() { return Startup(L"ledglow.exe", ui, services); }
  std::vector<tk::WindowId> TopWindows() const {
    std::vector<tk::WindowId> top;
    for (tk::WindowId w : ui.Created())
      if (ui.FindAny(w)->parent == 0) top.push_back(w);
    return top;
  }
  std::vector<std::string> ClassesCreated() const {
    std::vector<std::string> names;
    for (tk::WindowId w : TopWindows()) names.push_back(ui.FindAny(w)->design.class_name);
    return names;
  }

  tk::HeadlessBackend ui;
  plat::HeadlessDesktop desktop;
  plat::HeadlessRegistry registry;
  plat::HeadlessFiles files;
  plat::HeadlessSystem system{&registry};
  Services services;
};

TEST(Settings, KeyMissingAtStartEndsTheProgramUnlessTheRestoreBringsItBack) {
  for (const bool restorable : {false, true}) {
    Program p;
    if (restorable) p.system.current_directory[u"DorAdor.reg"] = fixtures::kDorAdorReg;
    std::size_t windows_when_attached = 0;
    p.services.attach_input = [&](std::uint32_t) { windows_when_attached = p.TopWindows().size(); };
    EXPECT_EQ(p.Start(), 0);
    // Creation goes on either way: the input component is called, the dialog is created.
    EXPECT_EQ(windows_when_attached, 3u) << restorable;
    EXPECT_EQ(p.ClassesCreated(), (std::vector<std::string>{"TApplication", "TRFLed", "TSetupFrm", "TRemindDlg"}));
    for (tk::WindowId w : p.TopWindows()) EXPECT_FALSE(p.ui.FindAny(w)->visible) << restorable;
    EXPECT_EQ(p.system.EditorRuns(), std::vector<std::u16string>{u" -s DorAdor.reg "});
    EXPECT_EQ(p.ui.QuitRetrieved(), !restorable);
    EXPECT_EQ(p.services.state.poll_interval, restorable ? fixtures::kDorAdorInterval : 10000u);
    EXPECT_TRUE(p.ui.ErrorBoxes().empty());
  }
}

TEST(Settings, AnAdministratorUnderUacGetsTheEditorThroughTheConsentPromptAndARefusalEndsQuietly) {
  struct Case {
    const char* what;
    std::u16string directory;
    bool refused;
    std::u16string arguments;  // of the elevated editor: the file by its full path
  };
  const Case cases[] = {
      {"consent given", u"C:\\Program Files\\ledglow", false, u" -s \"C:\\Program Files\\ledglow\\DorAdor.reg\" "},
      {"portable copy at a drive's root", u"E:\\", false, u" -s \"E:\\DorAdor.reg\" "},
      {"consent refused", u"D:\\Tools\\ledglow", true, u" -s \"D:\\Tools\\ledglow\\DorAdor.reg\" "},
  };
  for (const Case& c : cases) {
    Program p;
    p.system.elevation_required = true;
    p.system.consent_refused = c.refused;
    p.system.current_directory_path = c.directory;
    p.system.current_directory[u"DorAdor.reg"] = fixtures::kDorAdorReg;
    EXPECT_EQ(p.Start(), 0) << c.what;
    // The plain start comes first and is refused with error 740; then the shell's.
    EXPECT_EQ(p.system.EditorRuns(), std::vector<std::u16string>{u" -s DorAdor.reg "}) << c.what;
    using Run = plat::HeadlessSystem::ElevatedRun;
    EXPECT_EQ(p.system.ElevatedRuns(), (std::vector<Run>{{c.arguments, c.directory}})) << c.what;
    EXPECT_EQ(p.services.state.poll_interval, c.refused ? 10000u : fixtures::kDorAdorInterval) << c.what;
    EXPECT_EQ(p.ui.QuitRetrieved(), c.refused) << c.what;
    EXPECT_TRUE(p.ui.ErrorBoxes().empty()) << c.what;
    for (tk::WindowId w : p.TopWindows()) EXPECT_FALSE(p.ui.FindAny(w)->visible) << c.what;
  }
}

TEST(Settings, ReloadReadsAgainAndWithTheKeyMissingKeepsValuesAndProgram) {
  Program p;
  p.registry.SetDwordValue(kLm, kKeyW, u"Interval", 20000);
  tk::Application app(p.ui);
  app.Initialize();
  app.CreateForm<display::TRFLed>(p.services);
  auto& controller = app.CreateForm<TSetupFrm>(p.services);
  const auto reload = [&] {
    p.ui.Post(controller.Handle(), tk::Message{0x502, 0, 0});
    p.ui.DispatchPosted();
  };
  EXPECT_EQ(p.services.state.poll_interval, 20000u);

  p.registry.SetDwordValue(kLm, kKeyW, u"Interval", 45000);
  reload();
  EXPECT_EQ(p.services.state.poll_interval, 45000u);

  p.registry.DeleteKey(kLm, kKeyW);
  reload();
  EXPECT_EQ(p.services.state.poll_interval, 45000u);
  EXPECT_TRUE(p.system.EditorRuns().empty());  // no restore on a reload
  EXPECT_FALSE(app.Terminated());
  EXPECT_FALSE(p.ui.QuitRetrieved());
  app.DestroyForms();
}

}  // namespace
}  // namespace shell
