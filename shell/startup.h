#pragma once
#include <string_view>

#include "shell/services.h"
#include "toolkit/backend.h"

namespace shell {

// One start of the program: forwards a command to the running instance, or refuses to run,
// or builds the three windows and runs the message loop. The exit code is 0 on every path.
int Startup(std::wstring_view command_line, tk::Backend& ui, Services& services);

}  // namespace shell
