#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "toolkit/backend.h"
#include "toolkit/font.h"
#include "toolkit/form.h"

namespace tk {

// The application object: its hidden top-level window carries the taskbar entry and the
// title; the first form created is the main form; Run pumps messages until WM_QUIT.
class Application {
 public:
  explicit Application(Backend& backend);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  Backend& Platform() const { return backend_; }

  void Initialize();
  void SetShowMainForm(bool show) { show_main_form_ = show; }
  void SetTitle(std::string title);
  const std::string& Title() const { return title_; }
  WindowId Handle() const { return handle_; }

  // Builds the form and its window, then runs its FormCreate before returning.
  template <class F, class... Args>
  F& CreateForm(Args&&... args) {
    auto form = std::make_unique<F>(*this, std::forward<Args>(args)...);
    F& ref = *form;
    forms_.push_back(std::move(form));
    Adopt(ref);
    return ref;
  }

  // The one tooltip font of the application.
  tk::Font& HintFont() { return hint_font_; }

  Form* FindForm(std::string_view name) const;
  Form* MainForm() const { return forms_.empty() ? nullptr : forms_.front().get(); }
  void Run();
  void Terminate();  // queues a quit; the loop ends at its next retrieval
  bool Terminated() const { return terminated_; }
  // Restores the application from the tray: the application window comes back to the
  // foreground with the main form.
  void Restore();
  void ShowException(std::string_view text);
  // Ends the forms: FormDestroy of each, then the windows go.
  void DestroyForms();

 private:
  void Adopt(Form& form);

  Backend& backend_;
  WindowId handle_ = 0;
  std::string title_;
  bool show_main_form_ = true;
  bool terminated_ = false;
  std::vector<std::unique_ptr<Form>> forms_;
  tk::Font hint_font_;
};

}  // namespace tk
