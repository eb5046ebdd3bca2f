// Extras of the SDL backend for the project's own measuring programs. The
// program never includes this; it only sees platform/win32.h.
#pragma once

#include <cstdint>

namespace platform::sdl {

// Called at the start of every present (one per BitBlt to a window), with the
// counter value at that moment. One observer at a time; null removes it.
using PresentObserver = void (*)(std::int64_t counter);
void setPresentObserver(PresentObserver observer);

// The name of the SDL renderer of the first native window, or null.
const char* rendererName();

}  // namespace platform::sdl
