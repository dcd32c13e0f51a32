#pragma once
#include <cstdint>
#include <functional>

namespace shell {

// What the forms reach outside the windowing toolkit. The product fills it with the
// Win32 platform and the two libraries; the native tests with the headless platform.
struct Services {
  // The outside input component's entry (ordinal 1), called once with the controller window.
  std::function<void(std::uint32_t controller_window)> attach_input;
};

}  // namespace shell
