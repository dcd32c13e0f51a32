#pragma once
#include <memory>

#include "platform/desktop.h"

namespace plat {

std::unique_ptr<Desktop> MakeWin32Desktop();

}  // namespace plat
