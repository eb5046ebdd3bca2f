// The players' input as the window procedure receives it: key and mouse
// button messages turned into the input bytes every frame reads. The window
// procedure and the frame runner share this, so input means one thing.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// One input message: WM_KEYDOWN/WM_KEYUP with the virtual key, or a left or
// right button's down/up message (wparam unused).
struct InputMessage {
  UINT message = 0;
  WPARAM wparam = 0;
};

// A key (virtual key code) or a mouse button (MOUSE_LEFT, MOUSE_RIGHT) going
// down or up, as the window procedure would receive it.
InputMessage keyMessage(std::uint32_t vk, bool down);
InputMessage buttonMessage(int button, bool down);

// Sets the input bytes for an input message: a press to 1, a release to -1.
// Returns false for any other message (the caller handles it), true for an
// input message, also when its key is outside the table and changes nothing.
bool applyInputMessage(UINT message, WPARAM wparam);
