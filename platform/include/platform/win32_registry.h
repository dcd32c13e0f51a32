#pragma once
#include <memory>

#include "platform/registry.h"

namespace plat {

std::unique_ptr<Registry> MakeWin32Registry();

}  // namespace plat
