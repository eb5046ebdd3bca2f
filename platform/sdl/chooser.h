// The desktop's file chooser for the SDL backend: zenity or kdialog, run as a
// child process with its arguments as a vector (never through a shell). The
// command line is made apart from running it, so that it can be tested.
#pragma once

#include <string>
#include <vector>

#include "platform/core/core.h"

namespace platform::sdl {

enum class Chooser { Zenity, Kdialog };

// The command line that asks a chooser for one existing file.
std::vector<std::string> chooserArguments(Chooser chooser, const char* title, const char* filter,
                                          const char* initial_dir);

}  // namespace platform::sdl
