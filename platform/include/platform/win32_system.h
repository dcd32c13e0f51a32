#pragma once
#include <memory>

#include "platform/system.h"

namespace plat {

std::unique_ptr<System> MakeWin32System();

}  // namespace plat
