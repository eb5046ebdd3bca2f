// The game controllers themselves: SDL's controller subsystem, the mapping
// files, opening a controller when it arrives and closing it when it goes, and
// saying on standard error who plays which ship. What a controller's buttons
// and sticks mean is PadMapper's (gamepads.h); where its input lands is the
// backend's.
#pragma once

#include <SDL.h>

#include "platform/core/core.h"

namespace platform::sdl {

// Starts the controller subsystem and loads the mapping files, once. Without
// it the game plays on with mouse and keyboard.
void startControllers();

// Takes a player's input to the window it belongs in: `events` (n of them)
// still have to be given their window and pointer position.
using PadDelivery = void (*)(NativeEvent* events, int n);

// Handles a controller event (a device added or removed, a button, an axis),
// handing what it means to the players' input to `deliver`; false for every
// other event.
bool handlePadEvent(const SDL_Event& e, PadDelivery deliver);

}  // namespace platform::sdl
