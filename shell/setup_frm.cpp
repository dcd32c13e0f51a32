#include "shell/setup_frm.h"

#include "shell/identities.h"
#include "toolkit/application.h"

namespace shell {

TSetupFrm::TSetupFrm(tk::Application& app, Services& services)
    : tk::Form(app, kControllerName), services_(services) {}

tk::WindowSpec TSetupFrm::Spec() const {
  tk::WindowSpec spec;
  spec.class_name = kControllerClass;
  spec.title = kControllerTitle;
  spec.style = tk::kWsPopup;
  return spec;
}

void TSetupFrm::FormCreate() {
  Platform().SetVisible(App().Handle(), false);
  if (services_.attach_input) services_.attach_input(static_cast<std::uint32_t>(Handle()));
}

void TSetupFrm::FormDestroy() {
  const tk::WindowId strip = Platform().FindTopWindow(kStripClass, kStripName);
  Platform().Post(strip, tk::Message{tk::kWmQuit, 0, 0});
}

}  // namespace shell
