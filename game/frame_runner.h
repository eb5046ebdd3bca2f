// One game frame without a window's paint, for re-running frames from a saved
// state (rollback network play) and for looking ahead. It runs the frame as
// the main loop and paintFrame would, but presents nothing, plays nothing and
// opens no window's paint.
#pragma once

#include <cstdint>
#include <span>

#include "game/input_messages.h"

// Runs one frame: drops the previous frame's sound requests (the idle pass
// has played them), ticks the random channels as the idle pass before a
// paint does, applies the frame's input messages in order, makes the back
// buffer when it is missing (as a paint does), runs gameFrame, then counts
// the frame and ages the input bytes as the end of a paint does. The sounds
// the frame requested are written to *sounds and cleared.
//
// Frame 0 opens the sound library and chooses the colours, so it is left to
// the window's paint: before it, without a window, or while a paint or
// another frame runs, nothing changes and false is returned.
bool stepFrame(std::span<const InputMessage> input, std::uint32_t* sounds);

// The sounds the last frame requested, not yet played; and more of them,
// for the next idle pass to play as if that frame had asked (a re-run's
// sound that was not heard when its frame was shown).
std::uint32_t requestedSounds();
void requestSounds(std::uint32_t bits);
