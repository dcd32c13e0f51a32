#pragma once
#include <memory>

#include "platform/files.h"

namespace plat {

std::unique_ptr<Files> MakeWin32Files();

}  // namespace plat
