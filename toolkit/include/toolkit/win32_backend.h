#pragma once
#include <memory>

#include "toolkit/backend.h"

namespace tk {

// The product's backend: real windows, message-queue timers, the notification area.
// Resources (pictures, icons) are looked up in the executable.
std::unique_ptr<Backend> MakeWin32Backend();

}  // namespace tk
