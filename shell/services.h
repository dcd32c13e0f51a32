#pragma once
#include <array>
#include <cstdint>
#include <functional>

#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "toolkit/font.h"

namespace tk {
class Application;
}

namespace shell {

class TSetupFrm;

// Values that live for the whole run and are shared by the windows.
struct ProgramState {
  std::uint32_t poll_interval = 10000;          // PollInterval, until the first settings load
  tk::Font language_font;                       // LanguageFont
  std::array<char16_t, 512> message_file_name{};  // MessageFileName, zero-terminated
  std::uint32_t reminder_count = 0;             // ReminderCount
  std::uint32_t taskbar_created = 0;            // number of the "TaskbarCreated" message
};

// What the forms reach outside the windowing toolkit. The product fills it with the
// Win32 platform and the two libraries; the native tests with the headless platform.
struct Services {
  plat::Registry* registry = nullptr;
  plat::Desktop* desktop = nullptr;
  plat::Files* files = nullptr;
  plat::System* system = nullptr;
  ProgramState state;
  // The outside input component's entry (ordinal 1), called once with the controller window.
  std::function<void(std::uint32_t controller_window)> attach_input;
  // The message-file preparation that ends the strip's creation (language, font, path).
  std::function<void(tk::Application& app)> prepare_message_file;
  // Settings at the controller's creation (load, restore, load again, quit when still
  // missing) and on a reload request (load; a missing key keeps the values).
  std::function<void(tk::Application& app)> load_settings;
  std::function<void()> reload_settings;
  // The link library's feature-report query.
  std::function<void(std::uint32_t vendor_id, std::uint32_t product_id, std::uint32_t usage_page,
                     std::uint32_t usage, std::uint8_t* buffer)>
      get_features;
};

}  // namespace shell
