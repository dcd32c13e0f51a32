#pragma once
// Windows and message queues without a display. Each window belongs to the thread that made
// it; a message sent from another thread waits in that thread's queue until the thread pumps,
// and the sender stays blocked until it has been handled.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "kbdlink/headless/world.h"
#include "kbdlink/window_system.h"

namespace kbdlink::headless {

inline constexpr std::uint32_t kWmQuit = 0x0012;

struct Message {
  WindowHandle window = 0;
  std::uint32_t message = 0;
  std::uintptr_t wparam = 0;
  std::intptr_t lparam = 0;
};

struct WindowInfo {
  std::string class_name;
  std::string title;
  std::uint32_t style = 0;
  bool visible = false;
  bool retired = false;
  std::thread::id thread;
};

struct NotificationRecord {
  WindowHandle recipient = 0;
  std::vector<std::uint8_t> filter;  // the record, as long as its size field says
};

class HeadlessWindows final : public WindowSystem {
 public:
  using Handler = std::function<std::intptr_t(const Message&)>;

  explicit HeadlessWindows(World& world) : world_(world) {}

  // A window of the calling thread, e.g. a client window that records what it gets.
  WindowHandle CreateWindowFor(std::string class_name, std::string title, Handler handler);
  // Handles every message sent to this thread's windows so far, then every message posted to
  // this thread so far; thread messages (window 0) are kept in ThreadMessages.
  void Pump();
  // Handles only the messages sent to this thread's windows.
  void ServeSends();
  bool HasSendsForThisThreadLocked() const;  // with World::mutex held
  void WaitUntilPendingSends(int n);          // sent to this thread and not yet handled
  int PendingSendsForThisThread();

  std::vector<Message> ThreadMessages();
  std::vector<Message> Handled(WindowHandle w);  // every message handled by the window
  std::optional<WindowInfo> Info(WindowHandle w);
  std::map<NotifyHandle, NotificationRecord> Registrations();
  int ClassRegistrations();
  void SetVersion(std::uint32_t version);
  void SetClassRegistrationFails(bool fails);

  bool RegisterLinkClass(WindowProcedure& procedure) override;
  WindowHandle CreateLinkWindow() override;
  void RetireLinkWindow(WindowHandle w) override;
  Delivery CurrentDelivery() override;
  std::intptr_t Send(WindowHandle w, std::uint32_t message, std::uintptr_t wparam,
                     std::intptr_t lparam) override;
  bool Post(WindowHandle w, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override;
  std::intptr_t DefaultProc(WindowHandle w, std::uint32_t message, std::uintptr_t wparam,
                            std::intptr_t lparam) override;
  void PostQuit(int exit_code) override;
  NotifyHandle RegisterNotification(WindowHandle recipient, const void* filter) override;
  void UnregisterNotification(NotifyHandle registration) override;
  std::uint32_t Version() override;

 private:
  struct Window {
    WindowInfo info;
    Handler handler;
  };
  struct PendingSend {
    Message message;
    bool done = false;
    std::intptr_t result = 0;
  };
  struct Queue {
    std::deque<Message> posted;
    std::deque<PendingSend*> sends;
  };

  std::intptr_t Dispatch(const Message& m, Delivery how);  // called without the lock
  void ServeSendsOnce();

  World& world_;
  std::map<WindowHandle, Window> windows_;
  std::map<std::thread::id, Queue> queues_;
  std::map<WindowHandle, std::vector<Message>> handled_;
  std::vector<Message> thread_messages_;
  std::map<NotifyHandle, NotificationRecord> registrations_;
  NotifyHandle next_registration_ = 0x10;
  WindowHandle next_window_ = 0x100;
  bool class_registered_ = false;
  bool class_fails_ = false;
  int class_registrations_ = 0;
  WindowProcedure* link_procedure_ = nullptr;
  std::uint32_t version_ = 0x23F00206;  // an NT-family system
};

}  // namespace kbdlink::headless
