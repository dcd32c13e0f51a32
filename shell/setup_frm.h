#pragma once
#include "shell/services.h"
#include "toolkit/form.h"

namespace shell {

// The hidden controller window: the program's address for other starts and for the input
// component, and the owner of the tray icon.
class TSetupFrm final : public tk::Form {
 public:
  TSetupFrm(tk::Application& app, Services& services);

 protected:
  tk::WindowSpec Spec() const override;
  void FormCreate() override;
  void FormDestroy() override;

 private:
  Services& services_;
};

}  // namespace shell
