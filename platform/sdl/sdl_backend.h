// Extras of the SDL backend for the project's own measuring programs. The
// program never includes this; it only sees platform/win32.h.
#pragma once

#include <cstdint>

#include "platform/win32.h"

namespace platform::sdl {

// Called at the start of every present (one per BitBlt to a window), with the
// counter value at that moment. One observer at a time; null removes it.
using PresentObserver = void (*)(std::int64_t counter);
void setPresentObserver(PresentObserver observer);

// Fullscreen on or off, and the zoom of a window (1, 2, ...), as F11 and
// Ctrl+Plus/Minus set them; false where refused (a zoom that does not fit the
// display, a zoom in fullscreen, no such window).
bool setFullscreen(HWND hwnd, bool on);
bool setZoom(HWND hwnd, int zoom);

// The name of the SDL renderer of the first native window, or null.
const char* rendererName();

// Called on SDL's audio thread with every buffer the mixer has made, just
// before it goes to the device: interleaved signed 16-bit samples (`count` of
// them, all channels). One observer at a time; null removes it.
using MixObserver = void (*)(const std::int16_t* samples, int count);
void setMixObserver(MixObserver observer);

}  // namespace platform::sdl
