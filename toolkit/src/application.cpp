#include "toolkit/application.h"

#include <utility>

namespace tk {

namespace {

// The application window only carries the title and the taskbar entry.
class ApplicationWindowSink final : public WindowSink {
 public:
  bool OnWindowMessage(const Message&, std::intptr_t&) override { return false; }
  void OnTimerTick(int) override {}
  void OnMouse(const MouseEvent&) override {}
  void OnTrayMouse(const MouseEvent&) override {}
  bool OnCloseQuery() override { return false; }
  void OnShowing() override {}
  void OnPaint(Canvas&) override {}
  void OnCommand(int) override {}
};

ApplicationWindowSink application_window_sink;

}  // namespace

Application::Application(Backend& backend) : backend_(backend) {}

Application::~Application() {
  DestroyForms();
  if (handle_ != 0) backend_.DestroyWindow(handle_);
}

void Application::Initialize() {
  if (handle_ != 0) return;
  WindowDesign design;
  design.class_name = "TApplication";
  design.title = title_;
  // No frame: a framed window would get an edge style added to the tool-window style.
  design.style = kWsPopup;
  handle_ = backend_.NewWindow(design, &application_window_sink);
}

void Application::SetTitle(std::string title) {
  title_ = std::move(title);
  if (handle_ != 0) backend_.SetTitle(handle_, title_);
}

void Application::Adopt(Form& form) {
  form.MakeWindow();
  form.FormCreate();
}

Form* Application::FindForm(std::string_view name) const {
  for (const auto& f : forms_)
    if (f->Name() == name) return f.get();
  return nullptr;
}

void Application::Run() {
  if (show_main_form_ && MainForm() != nullptr) MainForm()->Show();
  backend_.RunMessageLoop();
}

void Application::Terminate() {
  terminated_ = true;
  backend_.PostQuit();
}

void Application::Restore() {
  if (handle_ == 0) return;
  backend_.SetForeground(handle_);
}

void Application::ShowException(std::string_view text) { backend_.ShowErrorBox(title_, text); }

void Application::DestroyForms() {
  for (auto& f : forms_) f->FormDestroy();
  while (!forms_.empty()) forms_.pop_back();
}

}  // namespace tk
