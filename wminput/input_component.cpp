#include "wminput/input_component.h"

namespace wminput {

void Attach(Component& component, uint32_t controller_window) {
  if (component.attached) return;
  component.attached = true;
  component.system.start_watcher(component.system.context, controller_window);
  component.system.arm_link_timer(component.system.context, controller_window, kLinkStartDelayMs);
}

void LinkTimerTick(Component& component) {
  component.system.disarm_link_timer(component.system.context);
  if (component.link_started) return;
  component.link_started = true;
  component.system.init_driver(component.system.context);
}

}  // namespace wminput
