#include "kbdlink/headless/headless_windows.h"

#include <cstring>

namespace kbdlink::headless {
namespace {

// What the window procedure running on this thread is handling; a direct call counts as a
// send from the thread itself.
thread_local Delivery t_delivery = Delivery::kThisThread;

}  // namespace

WindowHandle HeadlessWindows::CreateWindowFor(std::string class_name, std::string title, Handler handler) {
  std::lock_guard lock(world_.mutex);
  const WindowHandle w = next_window_++;
  WindowInfo info;
  info.class_name = std::move(class_name);
  info.title = std::move(title);
  info.thread = std::this_thread::get_id();
  windows_[w] = Window{std::move(info), std::move(handler)};
  return w;
}

std::intptr_t HeadlessWindows::Dispatch(const Message& m, Delivery how) {
  struct Restore {
    Delivery saved = t_delivery;
    ~Restore() { t_delivery = saved; }
  } restore;
  t_delivery = how;
  Handler handler;
  {
    std::lock_guard lock(world_.mutex);
    handled_[m.window].push_back(m);
    auto it = windows_.find(m.window);
    if (it == windows_.end()) return 0;
    if (!it->second.info.retired) handler = it->second.handler;
  }
  return handler ? handler(m) : 0;
}

void HeadlessWindows::ServeSendsOnce() {
  for (;;) {
    PendingSend* send = nullptr;
    {
      std::lock_guard lock(world_.mutex);
      Queue& q = queues_[std::this_thread::get_id()];
      if (q.sends.empty()) return;
      send = q.sends.front();
      q.sends.pop_front();
    }
    const std::intptr_t result = Dispatch(send->message, Delivery::kOtherThread);
    {
      std::lock_guard lock(world_.mutex);
      send->result = result;
      send->done = true;
    }
    world_.changed.notify_all();
  }
}

void HeadlessWindows::ServeSends() { ServeSendsOnce(); }

void HeadlessWindows::Pump() {
  ServeSendsOnce();
  std::deque<Message> posted;
  {
    std::lock_guard lock(world_.mutex);
    posted.swap(queues_[std::this_thread::get_id()].posted);
  }
  for (const Message& m : posted) {
    if (m.window == 0) {
      std::lock_guard lock(world_.mutex);
      thread_messages_.push_back(m);
    } else {
      Dispatch(m, Delivery::kPosted);
    }
    ServeSendsOnce();
  }
}

bool HeadlessWindows::HasSendsForThisThreadLocked() const {
  auto it = queues_.find(std::this_thread::get_id());
  return it != queues_.end() && !it->second.sends.empty();
}

void HeadlessWindows::WaitUntilPendingSends(int n) {
  world_.WaitUntil("fewer than " + std::to_string(n) + " messages were ever sent to this thread at once (no reader handed on)", [&] {
    auto it = queues_.find(std::this_thread::get_id());
    return it != queues_.end() && static_cast<int>(it->second.sends.size()) >= n;
  });
}

int HeadlessWindows::PendingSendsForThisThread() {
  std::lock_guard lock(world_.mutex);
  auto it = queues_.find(std::this_thread::get_id());
  return it == queues_.end() ? 0 : static_cast<int>(it->second.sends.size());
}

std::vector<Message> HeadlessWindows::ThreadMessages() {
  std::lock_guard lock(world_.mutex);
  return thread_messages_;
}

std::vector<Message> HeadlessWindows::Handled(WindowHandle w) {
  std::lock_guard lock(world_.mutex);
  auto it = handled_.find(w);
  return it == handled_.end() ? std::vector<Message>{} : it->second;
}

std::optional<WindowInfo> HeadlessWindows::Info(WindowHandle w) {
  std::lock_guard lock(world_.mutex);
  auto it = windows_.find(w);
  if (it == windows_.end()) return std::nullopt;
  return it->second.info;
}

std::map<NotifyHandle, NotificationRecord> HeadlessWindows::Registrations() {
  std::lock_guard lock(world_.mutex);
  return registrations_;
}

int HeadlessWindows::ClassRegistrations() {
  std::lock_guard lock(world_.mutex);
  return class_registrations_;
}

void HeadlessWindows::SetVersion(std::uint32_t version) {
  std::lock_guard lock(world_.mutex);
  version_ = version;
}

void HeadlessWindows::SetClassRegistrationFails(bool fails) {
  std::lock_guard lock(world_.mutex);
  class_fails_ = fails;
}

bool HeadlessWindows::RegisterLinkClass(WindowProcedure& procedure) {
  std::lock_guard lock(world_.mutex);
  // Like RegisterClassA, a second registration of the same class fails.
  if (class_registered_ || class_fails_) return false;
  class_registered_ = true;
  ++class_registrations_;
  link_procedure_ = &procedure;
  return true;
}

WindowHandle HeadlessWindows::CreateLinkWindow() {
  WindowHandle w = 0;
  {
    std::lock_guard lock(world_.mutex);
    if (!class_registered_) return 0;
    WindowProcedure* procedure = link_procedure_;
    w = next_window_++;
    WindowInfo info;
    info.class_name = kLinkClassName;
    info.title = kLinkWindowTitle;
    info.style = kLinkWindowStyle;
    info.thread = std::this_thread::get_id();
    windows_[w] = Window{std::move(info), [procedure](const Message& m) {
                           return procedure->LinkWindowProc(m.window, m.message, m.wparam, m.lparam);
                         }};
  }
  Dispatch(Message{w, kWmCreate, 0, 0}, Delivery::kThisThread);
  return w;  // never shown: hidden from the start
}

void HeadlessWindows::RetireLinkWindow(WindowHandle w) {
  std::lock_guard lock(world_.mutex);
  auto it = windows_.find(w);
  if (it != windows_.end()) it->second.info.retired = true;
  // The class goes with the library, so that a library loaded again can register it.
  class_registered_ = false;
  link_procedure_ = nullptr;
}

Delivery HeadlessWindows::CurrentDelivery() { return t_delivery; }

std::intptr_t HeadlessWindows::Send(WindowHandle w, std::uint32_t message, std::uintptr_t wparam,
                                    std::intptr_t lparam) {
  PendingSend send{Message{w, message, wparam, lparam}};
  {
    std::unique_lock lock(world_.mutex);
    auto it = windows_.find(w);
    if (it == windows_.end()) return 0;
    if (it->second.info.thread != std::this_thread::get_id()) {
      queues_[it->second.info.thread].sends.push_back(&send);
      world_.changed.notify_all();
      world_.changed.wait(lock, [&] { return send.done; });
      return send.result;
    }
  }
  return Dispatch(send.message, Delivery::kThisThread);
}

bool HeadlessWindows::Post(WindowHandle w, std::uint32_t message, std::uintptr_t wparam,
                           std::intptr_t lparam) {
  {
    std::lock_guard lock(world_.mutex);
    std::thread::id thread = std::this_thread::get_id();
    if (w != 0) {
      auto it = windows_.find(w);
      if (it == windows_.end()) return false;
      thread = it->second.info.thread;
    }
    queues_[thread].posted.push_back(Message{w, message, wparam, lparam});
  }
  world_.changed.notify_all();
  return true;
}

std::intptr_t HeadlessWindows::DefaultProc(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) {
  return 0;
}

void HeadlessWindows::PostQuit(int exit_code) { Post(0, kWmQuit, static_cast<std::uintptr_t>(exit_code), 0); }

NotifyHandle HeadlessWindows::RegisterNotification(WindowHandle recipient, const void* filter) {
  std::lock_guard lock(world_.mutex);
  if (windows_.count(recipient) == 0) return 0;  // like the system: no window, no registration
  std::uint32_t size = 0;
  std::memcpy(&size, filter, sizeof size);
  const auto* bytes = static_cast<const std::uint8_t*>(filter);
  const NotifyHandle h = next_registration_++;
  registrations_[h] = NotificationRecord{recipient, std::vector<std::uint8_t>(bytes, bytes + size)};
  return h;
}

void HeadlessWindows::UnregisterNotification(NotifyHandle registration) {
  std::lock_guard lock(world_.mutex);
  registrations_.erase(registration);
}

std::uint32_t HeadlessWindows::Version() {
  std::lock_guard lock(world_.mutex);
  return version_;
}

}  // namespace kbdlink::headless
