#include "shell/startup.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/unit/fixtures.h"
#include "toolkit/headless_backend.h"

namespace shell {
namespace {

// What other starts and other programs look for, written out here as they must be, so that a
// wrong constant in the program cannot agree with itself.
constexpr char kSetupClass[] = "TSetupFrm";
constexpr char kRunningTitle[] = "DED EZORUZ SETUP-KORVELID09";

std::vector<std::string> ClassesCreated(const tk::HeadlessBackend& ui) {
  std::vector<std::string> names;
  for (tk::WindowId w : ui.Created())
    if (ui.FindAny(w)->parent == 0) names.push_back(ui.FindAny(w)->design.class_name);
  return names;
}

TEST(Startup, PlainStartBuildsTheThreeWindowsInOrderAndShowsNothing) {
  testing_support::World world;
  auto& ui = world.ui;
  auto& services = world.services;
  std::vector<std::string> seen_at_attach;
  std::uint32_t attached = 0;
  services.attach_input = [&](std::uint32_t w) {
    attached = w;
    seen_at_attach = ClassesCreated(ui);
  };
  EXPECT_EQ(Startup(L"ledglow.exe", ui, services), 0);

  EXPECT_EQ(ClassesCreated(ui), (std::vector<std::string>{"TApplication", "TRFLed", "TSetupFrm", "TRemindDlg"}));
  // The controller hands itself over before the reminder dialog exists.
  EXPECT_EQ(seen_at_attach, (std::vector<std::string>{"TApplication", "TRFLed", "TSetupFrm"}));
  EXPECT_EQ(attached, ui.Created()[2]);
  EXPECT_EQ(ui.FindAny(ui.Created()[0])->title, "DED EZORUZ KEYBOARD-KORVELID09");
  EXPECT_EQ(ui.FindAny(ui.Created()[1])->title, "RFLed");
  EXPECT_EQ(ui.FindAny(ui.Created()[2])->title, kRunningTitle);
  EXPECT_EQ(ui.LoopRuns(), 1);
  for (tk::WindowId w : ui.Created()) {
    if (ui.FindAny(w)->parent == 0) {
      EXPECT_FALSE(ui.FindAny(w)->visible);
    }
  }
  // No taskbar button: the application window is a tool window.
  EXPECT_EQ(ui.FindAny(ui.Created()[0])->ex_style, tk::kWsExToolWindow);
  EXPECT_TRUE(ui.ErrorBoxes().empty());
}

TEST(Startup, CommandStartPostsToTheRunningControllerAndCreatesNothing) {
  struct Case {
    const wchar_t* command_line;
    std::optional<std::uint32_t> posted;
  };
  const Case cases[] = {
      {L"ledglow.exe /q", 0x0012},  // WM_QUIT
      {L"ledglow.exe /quit", 0x0012},
      {L"ledglow.exe /u", 0x502},
      {L"\"C:\\Program Files\\ledglow.exe\"  \t /u", 0x502},
      {L"ledglow.exe /p", 0x501},
      {L"ledglow.exe /Q", std::nullopt},
      {L"ledglow.exe /x", std::nullopt},
      {L"ledglow.exe /", std::nullopt},
  };
  for (const auto& c : cases) {
    testing_support::World world;
    auto& ui = world.ui;
    const tk::WindowId running = ui.AddForeignWindow(kSetupClass, kRunningTitle);
    auto& services = world.services;
    EXPECT_EQ(Startup(c.command_line, ui, services), 0);
    EXPECT_EQ(ui.Created().size(), 1u) << c.command_line;  // only the running controller
    EXPECT_EQ(ui.LoopRuns(), 0) << c.command_line;
    ASSERT_EQ(ui.ForeignPosts().size(), c.posted ? 1u : 0u) << c.command_line;
    if (c.posted) {
      EXPECT_EQ(ui.ForeignPosts()[0].to, running);
      EXPECT_EQ(ui.ForeignPosts()[0].m.msg, *c.posted) << c.command_line;
    }
  }
}

TEST(Startup, CommandWithNothingRunningStartsNothing) {
  tk::HeadlessBackend ui;
  const tk::WindowId other = ui.AddForeignWindow(kSetupClass, "DED EZORUZ SETUP");
  Services services;
  EXPECT_EQ(Startup(L"ledglow.exe /q", ui, services), 0);
  EXPECT_EQ(ui.Created(), std::vector<tk::WindowId>{other});
  EXPECT_TRUE(ui.ForeignPosts().empty());
}

TEST(Startup, OnlyAWindowTitledExactlyTheRefusingTitleRefusesAPlainStart) {
  struct Case {
    const char* class_name;
    const char* title;
    bool refused;
  };
  const Case cases[] = {
      {kSetupClass, "DED EZORUZ SETUP", true},
      {kSetupClass, "DED EZORUZ SETUP-KORVELID09", false},
      {kSetupClass, "DED EZORUZ SETUP ", false},
      {kSetupClass, "ded ezoruz setup", false},
      {"TRFLed", "DED EZORUZ SETUP", false},
  };
  for (const auto& c : cases) {
    testing_support::World world;
    auto& ui = world.ui;
    ui.AddForeignWindow(c.class_name, c.title);
    auto& services = world.services;
    EXPECT_EQ(Startup(L"ledglow.exe", ui, services), 0);
    EXPECT_EQ(ui.Created().size() == 1, c.refused) << c.class_name << " " << c.title;
  }
}

TEST(Startup, ArgumentWithoutSlashStartsNormally) {
  for (const wchar_t* line : {L"ledglow.exe q", L"ledglow.exe -q"}) {
    testing_support::World world;
    auto& ui = world.ui;
    ui.AddForeignWindow(kSetupClass, kRunningTitle);
    auto& services = world.services;
    Startup(line, ui, services);
    EXPECT_EQ(ClassesCreated(ui).size(), 5u);
    EXPECT_TRUE(ui.ForeignPosts().empty());
  }
}

TEST(Startup, ErrorEscapingStartupIsShownWithTheApplicationTitle) {
  testing_support::World world;
  auto& ui = world.ui;
  auto& services = world.services;
  services.attach_input = [](std::uint32_t) { throw std::runtime_error("no input component"); };
  EXPECT_EQ(Startup(L"ledglow.exe", ui, services), 0);
  ASSERT_EQ(ui.ErrorBoxes().size(), 1u);
  EXPECT_EQ(ui.ErrorBoxes()[0].first, "DED EZORUZ KEYBOARD-KORVELID09");
  EXPECT_EQ(ui.ErrorBoxes()[0].second, "no input component");
  EXPECT_EQ(ui.LoopRuns(), 0);
}

TEST(Startup, ControllerPostsQuitToItsOwnStripWhenItGoesAndLeavesAnotherInstanceAlone) {
  testing_support::World world;
  auto& ui = world.ui;
  auto& services = world.services;
  // Another instance's strip, made first, so a search by class and title would find it.
  const tk::WindowId other = ui.AddForeignWindow("TRFLed", "RFLed");
  Startup(L"ledglow.exe", ui, services);
  const tk::WindowId strip = ui.Created()[2];
  ASSERT_EQ(ui.FindAny(strip)->design.class_name, "TRFLed");
  std::vector<tk::WindowId> quits;
  for (const auto& p : ui.Queue())
    if (p.m.msg == 0x0012) quits.push_back(p.to);
  EXPECT_EQ(quits, std::vector<tk::WindowId>{strip});
  for (const auto& p : ui.ForeignPosts()) EXPECT_NE(p.to, other) << "a message went to the other instance's strip";
}

}  // namespace
}  // namespace shell
