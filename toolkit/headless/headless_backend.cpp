#include "toolkit/headless_backend.h"

#include <stdexcept>
#include <string>

namespace tk {
namespace {

// A wait on the virtual clock must end: this many messages at one moment means that some
// handler keeps posting, and the test fails with that instead of hanging.
constexpr int kMaxMessagesAtOneMoment = 100000;

}  // namespace

WindowId HeadlessBackend::NewWindow(const WindowDesign& design, WindowSink* sink) {
  WindowId id = next_id_;
  next_id_ += 4;
  Window w;
  w.design = design;
  w.sink = sink;
  w.title = design.title;
  w.bounds = design.bounds;
  w.ex_style = design.ex_style;
  w.dpi = DpiAt(design.bounds);
  windows_.emplace(id, std::move(w));
  created_.push_back(id);
  return id;
}

void HeadlessBackend::DestroyWindow(WindowId w) {
  for (auto& [id, child] : windows_)
    if (child.parent == w) child.alive = false;
  if (Window* win = Get(w)) {
    win->alive = false;
    win->visible = false;
    win->sink = nullptr;
  }
  std::erase_if(timers_, [w](const auto& t) { return t.first.first == w; });
}

HeadlessBackend::Window* HeadlessBackend::Get(WindowId w) {
  auto it = windows_.find(w);
  return it == windows_.end() || !it->second.alive ? nullptr : &it->second;
}

const HeadlessBackend::Window* HeadlessBackend::Find(WindowId w) const {
  auto it = windows_.find(w);
  return it == windows_.end() || !it->second.alive ? nullptr : &it->second;
}

const HeadlessBackend::Window* HeadlessBackend::FindAny(WindowId w) const {
  auto it = windows_.find(w);
  return it == windows_.end() ? nullptr : &it->second;
}

std::vector<WindowId> HeadlessBackend::Windows() const {
  std::vector<WindowId> ids;
  for (const auto& [id, w] : windows_)
    if (w.alive) ids.push_back(id);
  return ids;
}

void HeadlessBackend::SetVisible(WindowId w, bool visible) {
  if (Window* win = Get(w)) {
    if (visible && !win->visible) win->z = ++z_;
    win->visible = visible;
  }
}

bool HeadlessBackend::IsVisible(WindowId w) const {
  const Window* win = Find(w);
  return win != nullptr && win->visible;
}

void HeadlessBackend::BringToFront(WindowId w) {
  if (Window* win = Get(w)) win->z = ++z_;
}

void HeadlessBackend::SetBounds(WindowId w, Rect r) {
  if (Window* win = Get(w)) win->bounds = r;
  FollowMonitor(w);
}

// Headless windows have no frame: their bounds are their client area.
void HeadlessBackend::SetClientSize(WindowId w, int width, int height) {
  if (const Window* win = Find(w)) SetBounds(w, Rect::At(win->bounds.left, win->bounds.top, width, height));
}

int HeadlessBackend::DpiAt(Rect bounds) const {
  const Point centre{bounds.left + bounds.Width() / 2, bounds.top + bounds.Height() / 2};
  for (std::size_t i = monitors_.size(); i-- > 1;)
    if (monitors_[i].bounds.Contains(centre)) return monitors_[i].dpi;
  return monitors_[0].dpi;
}

int HeadlessBackend::Dpi(WindowId w) const {
  const Window* win = Find(w);
  if (win == nullptr) return 96;
  if (win->parent != 0) return Dpi(win->parent);
  return win->dpi;
}

void HeadlessBackend::FollowMonitor(WindowId w) {
  Window* win = Get(w);
  if (win == nullptr || win->parent != 0) return;
  const int old_dpi = win->dpi;
  const int new_dpi = DpiAt(win->bounds);
  if (new_dpi == old_dpi) return;
  win->dpi = new_dpi;  // before the handler runs, so that its own moves see the new DPI
  const Rect b = win->bounds;
  const Rect suggested = Rect::At(b.left, b.top, b.Width() * new_dpi / old_dpi, b.Height() * new_dpi / old_dpi);
  if (win->sink) win->sink->OnDpiChanged(new_dpi, suggested);
}

int HeadlessBackend::AddMonitor(Rect bounds, int dpi) {
  monitors_.push_back(Monitor{bounds, dpi});
  for (WindowId id : Windows()) FollowMonitor(id);
  return static_cast<int>(monitors_.size()) - 1;
}

void HeadlessBackend::SetMonitorDpi(int monitor, int dpi) {
  if (monitor < 0 || monitor >= static_cast<int>(monitors_.size())) return;
  monitors_[static_cast<std::size_t>(monitor)].dpi = dpi;
  for (WindowId id : Windows()) FollowMonitor(id);
}

Rect HeadlessBackend::Bounds(WindowId w) const {
  const Window* win = Find(w);
  return win ? win->bounds : Rect{};
}

void HeadlessBackend::SetExStyle(WindowId w, std::uint32_t ex_style) {
  if (Window* win = Get(w)) win->ex_style = ex_style;
}

std::uint32_t HeadlessBackend::ExStyle(WindowId w) const {
  const Window* win = Find(w);
  return win ? win->ex_style : 0;
}

std::string HeadlessBackend::Title(WindowId w) const {
  const Window* win = Find(w);
  return win ? win->title : std::string();
}

void HeadlessBackend::SetTitle(WindowId w, std::string_view title) {
  if (Window* win = Get(w)) win->title = std::string(title);
}

void HeadlessBackend::Invalidate(WindowId) {}

void HeadlessBackend::SetMouseCapture(WindowId w, bool on) {
  if (Window* win = Get(w)) win->captured = on;
}

void HeadlessBackend::SetForeground(WindowId w) {
  if (Get(w) != nullptr) foreground_ = w;
}

WindowId HeadlessBackend::NewControl(WindowId parent, const ControlDesign& design) {
  if (Get(parent) == nullptr) return 0;
  WindowDesign ws;
  ws.class_name = design.kind == ControlKind::Label ? "STATIC" : "BUTTON";
  ws.bounds = design.bounds;
  WindowId id = NewWindow(ws, nullptr);
  Window& w = windows_.at(id);
  w.parent = parent;
  w.control = design;
  w.text = design.text;
  w.visible = true;
  return id;
}

void HeadlessBackend::SetControlText(WindowId control, std::u16string_view text) {
  if (Window* w = Get(control)) w->text = std::u16string(text);
}

std::u16string HeadlessBackend::ControlText(WindowId control) const {
  const Window* w = Find(control);
  return w ? w->text : std::u16string();
}

bool HeadlessBackend::Checked(WindowId control) const {
  const Window* w = Find(control);
  return w != nullptr && w->checked;
}

void HeadlessBackend::SetChecked(WindowId control, bool checked) {
  if (Window* w = Get(control)) w->checked = checked;
}

void HeadlessBackend::SetFont(WindowId w, const Font& font) {
  if (Window* win = Get(w)) win->font = font;
}

void HeadlessBackend::Click(WindowId control) {
  Window* w = Get(control);
  if (w == nullptr || !w->control) return;
  if (w->control->kind == ControlKind::CheckBox) w->checked = !w->checked;
  if (Window* parent = Get(w->parent); parent && parent->sink) parent->sink->OnCommand(w->control->id);
}

void HeadlessBackend::ArmTimer(WindowId w, int timer_id, std::uint32_t interval_ms) {
  if (Get(w) == nullptr || interval_ms == 0) return;
  timers_[{w, timer_id}] = ArmedTimer{interval_ms, now_ + interval_ms, ++seq_};
}

void HeadlessBackend::DisarmTimer(WindowId w, int timer_id) { timers_.erase({w, timer_id}); }

std::optional<std::uint32_t> HeadlessBackend::TimerInterval(WindowId w, int timer_id) const {
  auto it = timers_.find({w, timer_id});
  if (it == timers_.end()) return std::nullopt;
  return it->second.interval;
}

bool HeadlessBackend::AddTrayIcon(WindowId w, const TrayIconDesign& design) {
  Window* win = Get(w);
  if (win == nullptr || win->tray) return false;
  win->tray = design;
  return true;
}

void HeadlessBackend::DeleteTrayIcon(WindowId w) {
  if (Window* win = Get(w)) win->tray.reset();
}

WindowId HeadlessBackend::FindTopWindow(std::string_view class_name, std::string_view title) const {
  for (const auto& [id, w] : windows_)
    if (w.alive && w.design.class_name == class_name && w.title == title) return id;
  return 0;
}

WindowId HeadlessBackend::AddForeignWindow(std::string class_name, std::string title) {
  WindowDesign design;
  design.class_name = std::move(class_name);
  design.title = std::move(title);
  return NewWindow(design, nullptr);
}

bool HeadlessBackend::Post(WindowId w, const Message& m) {
  const Window* win = Find(w);
  if (win == nullptr) return false;
  if (win->sink == nullptr)
    foreign_posts_.push_back({w, m});
  else
    queue_.push_back({w, m});
  return true;
}

std::intptr_t HeadlessBackend::Send(WindowId w, const Message& m) {
  Window* win = Get(w);
  if (win == nullptr || win->sink == nullptr) return 0;
  std::intptr_t result = 0;
  win->sink->OnWindowMessage(m, result);
  return result;
}

std::uint32_t HeadlessBackend::RegisterMessage(std::string_view name) {
  auto it = registered_.find(name);
  if (it != registered_.end()) return it->second;
  auto number = static_cast<std::uint32_t>(0xC000 + registered_.size());
  registered_.emplace(std::string(name), number);
  return number;
}

void HeadlessBackend::PostQuit() { queue_.push_back({0, Message{kWmQuit, 0, 0}}); }

void HeadlessBackend::Deliver(const Posted& p) {
  Window* win = Get(p.to);
  if (win == nullptr || win->sink == nullptr) return;
  if (p.m.msg == kWmClose) {
    win->sink->OnCloseQuery();
    return;
  }
  std::intptr_t result = 0;
  win->sink->OnWindowMessage(p.m, result);
}

void HeadlessBackend::DispatchPosted() {
  int delivered = 0;
  while (!queue_.empty() && !quit_retrieved_) {
    if (++delivered > kMaxMessagesAtOneMoment)
      throw std::runtime_error("posted messages never ran out at " + std::to_string(now_) +
                               " ms: a handler keeps posting");
    Posted p = queue_.front();
    queue_.pop_front();
    if (p.m.msg == kWmQuit) {
      quit_retrieved_ = true;
      return;
    }
    Deliver(p);
  }
}

void HeadlessBackend::RunMessageLoop() {
  ++loop_runs_;
  DispatchPosted();
}

void HeadlessBackend::Advance(std::uint64_t ms) {
  const std::uint64_t end = now_ + ms;
  for (;;) {
    DispatchPosted();
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
      if (it->second.due > end) continue;
      if (next == timers_.end() || it->second.due < next->second.due ||
          (it->second.due == next->second.due && it->second.seq < next->second.seq))
        next = it;
    }
    if (next == timers_.end()) break;
    const auto [w, id] = next->first;
    now_ = next->second.due;
    next->second.due += next->second.interval;
    next->second.seq = ++seq_;
    if (Window* win = Get(w); win && win->sink) win->sink->OnTimerTick(id);
  }
  now_ = end;
  DispatchPosted();
}

void HeadlessBackend::ShowErrorBox(std::string_view caption, std::string_view text) {
  error_boxes_.emplace_back(std::string(caption), std::string(text));
}

void HeadlessBackend::Mouse(WindowId w, MouseEvent e) {
  if (Window* win = Get(w); win && win->sink) win->sink->OnMouse(e);
}

void HeadlessBackend::TrayMouse(WindowId w, MouseEvent e) {
  if (Window* win = Get(w); win && win->sink && win->tray) win->sink->OnTrayMouse(e);
}

void HeadlessBackend::RestartShell() {
  for (auto& [id, w] : windows_) w.tray.reset();
  const Message created{RegisterMessage("TaskbarCreated"), 0, 0};
  std::vector<WindowId> tops;
  for (const auto& [id, w] : windows_)
    if (w.alive && w.sink && w.parent == 0 && !w.control) tops.push_back(id);
  for (WindowId id : tops) Send(id, created);
}

void HeadlessBackend::CloseRequest(WindowId w) {
  if (Window* win = Get(w); win && win->sink) win->sink->OnCloseQuery();
}

}  // namespace tk
