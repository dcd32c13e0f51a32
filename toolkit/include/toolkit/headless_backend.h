#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/backend.h"

namespace tk {

// The test backend: windows with geometry, visibility and styles that tests can inspect,
// a queue of posted messages, and a virtual clock that only moves when a test advances it.
class HeadlessBackend final : public Backend {
 public:
  struct Window {
    WindowDesign design;
    WindowSink* sink = nullptr;  // null for a window of another process
    std::string title;
    bool visible = false;
    Rect bounds;
    std::uint32_t ex_style = 0;
    std::uint64_t z = 0;  // larger is nearer the front
    bool captured = false;
    bool alive = true;
    std::optional<TrayIconDesign> tray;
    // Controls only.
    WindowId parent = 0;
    std::optional<ControlDesign> control;
    std::u16string text;
    bool checked = false;
    Font font;
    int dpi = 96;  // the DPI the window was last told of
  };
  // Monitor 0 always exists and holds every point that no added monitor holds.
  struct Monitor {
    Rect bounds;
    int dpi = 96;
  };
  struct Posted {
    WindowId to;
    Message m;
  };

  // Backend
  WindowId NewWindow(const WindowDesign& design, WindowSink* sink) override;
  void DestroyWindow(WindowId w) override;
  void SetVisible(WindowId w, bool visible) override;
  bool IsVisible(WindowId w) const override;
  void BringToFront(WindowId w) override;
  void SetBounds(WindowId w, Rect r) override;
  void SetClientSize(WindowId w, int width, int height) override;
  Rect Bounds(WindowId w) const override;
  void SetExStyle(WindowId w, std::uint32_t ex_style) override;
  std::uint32_t ExStyle(WindowId w) const override;
  std::string Title(WindowId w) const override;
  void SetTitle(WindowId w, std::string_view title) override;
  void Invalidate(WindowId w) override;
  void SetMouseCapture(WindowId w, bool on) override;
  void SetForeground(WindowId w) override;
  int Dpi(WindowId w) const override;
  WindowId NewControl(WindowId parent, const ControlDesign& design) override;
  void SetControlText(WindowId control, std::u16string_view text) override;
  std::u16string ControlText(WindowId control) const override;
  bool Checked(WindowId control) const override;
  void SetChecked(WindowId control, bool checked) override;
  void SetFont(WindowId w, const Font& font) override;
  void ArmTimer(WindowId w, int timer_id, std::uint32_t interval_ms) override;
  void DisarmTimer(WindowId w, int timer_id) override;
  bool AddTrayIcon(WindowId w, const TrayIconDesign& design) override;
  void DeleteTrayIcon(WindowId w) override;
  WindowId FindTopWindow(std::string_view class_name, std::string_view title) const override;
  bool Post(WindowId w, const Message& m) override;
  std::intptr_t Send(WindowId w, const Message& m) override;
  std::uint32_t RegisterMessage(std::string_view name) override;
  void PostQuit() override;
  void RunMessageLoop() override;
  void ShowErrorBox(std::string_view caption, std::string_view text) override;

  // Test side.
  std::uint64_t Now() const { return now_; }
  // Moves the virtual clock, delivering posted messages first and then every timer tick
  // that falls due, in time order.
  void Advance(std::uint64_t ms);
  // Delivers queued messages until the queue is empty or WM_QUIT is retrieved.
  void DispatchPosted();
  // A window of another process, found by FindTopWindow; messages posted to it are kept.
  WindowId AddForeignWindow(std::string class_name, std::string title);
  const Window* Find(WindowId w) const;
  std::vector<WindowId> Windows() const;
  // Every window made so far, in creation order, destroyed ones included.
  const std::vector<WindowId>& Created() const { return created_; }
  const Window* FindAny(WindowId w) const;
  const std::vector<Posted>& ForeignPosts() const { return foreign_posts_; }
  const std::deque<Posted>& Queue() const { return queue_; }
  bool QuitRetrieved() const { return quit_retrieved_; }
  int LoopRuns() const { return loop_runs_; }
  WindowId Foreground() const { return foreground_; }
  const std::vector<std::pair<std::string, std::string>>& ErrorBoxes() const { return error_boxes_; }
  // Input as the platform would deliver it.
  void Mouse(WindowId w, MouseEvent e);
  void TrayMouse(WindowId w, MouseEvent e);
  void CloseRequest(WindowId w);
  // The shell starts again: every notification-area icon is gone, and "TaskbarCreated" goes to
  // every top-level window, hidden ones included.
  void RestartShell();
  // A click on a control: a check box toggles, and its form hears of the press.
  void Click(WindowId control);
  std::optional<std::uint32_t> TimerInterval(WindowId w, int timer_id) const;
  // Monitors: a window is on the monitor that holds its centre. Adding returns the index.
  int AddMonitor(Rect bounds, int dpi);
  // The user changes a monitor's scale: its top-level windows hear WM_DPICHANGED.
  void SetMonitorDpi(int monitor, int dpi);
  const std::vector<Monitor>& Monitors() const { return monitors_; }

 private:
  struct ArmedTimer {
    std::uint32_t interval;
    std::uint64_t due;
    std::uint64_t seq;
  };
  Window* Get(WindowId w);
  void Deliver(const Posted& p);
  int DpiAt(Rect bounds) const;
  // Tells the window of its monitor's DPI when that differs from the one it knows.
  void FollowMonitor(WindowId w);

  std::map<WindowId, Window> windows_;
  std::vector<Monitor> monitors_{Monitor{Rect{-32768, -32768, 32768, 32768}, 96}};
  std::vector<WindowId> created_;
  std::map<std::pair<WindowId, int>, ArmedTimer> timers_;
  std::deque<Posted> queue_;
  std::vector<Posted> foreign_posts_;
  std::vector<std::pair<std::string, std::string>> error_boxes_;
  std::map<std::string, std::uint32_t, std::less<>> registered_;
  WindowId next_id_ = 0x100;
  std::uint64_t now_ = 0;
  std::uint64_t z_ = 0;
  std::uint64_t seq_ = 0;
  bool quit_retrieved_ = false;
  int loop_runs_ = 0;
  WindowId foreground_ = 0;
};

}  // namespace tk
