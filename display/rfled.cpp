#include "display/rfled.h"

#include "shell/identities.h"
#include "toolkit/application.h"

namespace display {

TRFLed::TRFLed(tk::Application& app, shell::Services& services)
    : tk::Form(app, shell::kStripName), services_(services) {}

tk::WindowSpec TRFLed::Spec() const {
  tk::WindowSpec spec;
  spec.class_name = shell::kStripClass;
  spec.title = shell::kStripName;
  spec.style = tk::kWsPopup;
  spec.ex_style = tk::kWsExTopmost | tk::kWsExToolWindow | tk::kWsExNoActivate;
  spec.bounds = tk::Rect::At(0, 0, 98, 36);
  return spec;
}

void TRFLed::FormCreate() {
  // No taskbar button for the application.
  Platform().SetExStyle(App().Handle(), tk::kWsExToolWindow);
}

}  // namespace display
