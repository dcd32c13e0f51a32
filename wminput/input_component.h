#pragma once
#include <stdint.h>

// The input component's behaviour apart from Windows: what it does when the controller hands
// itself over, and when. Plain C-style, like the rest of the component.
namespace wminput {

// The link library's first enumeration waits this long after the hand-over, so it runs from the
// message loop and not inside the controller's creation.
inline constexpr uint32_t kLinkStartDelayMs = 10;

// What the component asks of the system; the Win32 side fills it, the native tests fill it with
// the headless backend.
struct System {
  void* context;
  // The lock-key watcher, on a thread of its own, posting to the controller.
  void (*start_watcher)(void* context, uint32_t controller_window);
  // A one-shot of the calling (user-interface) thread; its tick calls LinkTimerTick.
  void (*arm_link_timer)(void* context, uint32_t controller_window, uint32_t interval_ms);
  void (*disarm_link_timer)(void* context);
  // The link library's InitDriver, on the user-interface thread that later polls it.
  void (*init_driver)(void* context);
};

struct Component {
  System system;
  bool attached;
  bool link_started;
};

// Ordinal 1, called once by the controller during its creation.
void Attach(Component& component, uint32_t controller_window);
void LinkTimerTick(Component& component);

}  // namespace wminput
