#include "shell/startup.h"

#include <exception>

#include "display/rfled.h"
#include "reminder/remind_dlg.h"
#include "shell/command_line.h"
#include "shell/identities.h"
#include "shell/setup_frm.h"
#include "toolkit/application.h"

namespace shell {
namespace {

void ForwardCommand(std::wstring_view argument_text, tk::Backend& ui) {
  const tk::WindowId running = ui.FindTopWindow(kControllerClass, kControllerTitle);
  if (running == 0) return;
  if (auto message = CommandMessage(argument_text)) ui.Post(running, *message);
}

void BuildAndRun(tk::Backend& ui, Services& services) {
  // Known before any window exists, so a taskbar coming back is never missed.
  services.state.taskbar_created = ui.RegisterMessage("TaskbarCreated");
  tk::Application app(ui);
  app.Initialize();
  app.SetShowMainForm(false);
  app.SetTitle(kApplicationTitle);
  app.CreateForm<display::TRFLed>(services);
  app.CreateForm<TSetupFrm>(services);
  app.CreateForm<reminder::TRemindDlg>(services);
  app.Run();
  app.DestroyForms();
}

}  // namespace

int Startup(std::wstring_view command_line, tk::Backend& ui, Services& services) {
  const std::wstring_view argument_text = ArgumentText(command_line);
  if (IsCommand(argument_text)) {
    ForwardCommand(argument_text, ui);
    return 0;
  }
  if (ui.FindTopWindow(kControllerClass, kRefusingTitle) != 0) return 0;
  try {
    BuildAndRun(ui, services);
  } catch (const std::exception& e) {
    ui.ShowErrorBox(kApplicationTitle, e.what());
  } catch (...) {
    ui.ShowErrorBox(kApplicationTitle, "Unknown error");
  }
  return 0;
}

}  // namespace shell
