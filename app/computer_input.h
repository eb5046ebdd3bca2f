// The computer player in the window program. Its decisions enter exactly where
// a person's input does: as the window messages of its walker's controls (the
// mouse's buttons for walker 0, Z and X for walker 1), sent to the main window
// before the paint of each frame. The session (a recording, a network game's
// sampler) and the game so see nothing but a player's input, and a game
// against the computer verifies without it. A person's own input for a walker
// the computer plays is not dispatched.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "session/session.h"

// Takes on the session's choice for the game about to start (none: the
// computer does nothing).
void startComputer(const session::ComputerChoice& choice);
// The computer's part is over (the loop has ended).
void stopComputer();

// Appended to the game's title: " (computer plays walker 1)", " (computer
// plays both walkers)", or "" (also in a network game, whose own title says
// who steers this side's walker).
const char* computerTitleSuffix();

// Whether a message taken from the queue is a person's control of a walker the
// computer plays: then it is dropped. In a network game both the mouse and Z
// and X steer this side's walker.
bool isComputersControl(const MSG& msg);

// Before an idle pass asks for a frame: the computer's changes for the frame
// the next paint runs, sent to the main window once per frame however many
// passes that frame waits (none before frame 0, which is shown with the window).
void computerBeforeFrame(HWND hwnd, std::uint32_t frame);
