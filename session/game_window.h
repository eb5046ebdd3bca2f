// What the modes do to the main window on the game's behalf: hand it input
// as the window system would, size its client area, show the last frame
// again.
#pragma once

#include <cstdint>

#include "platform/win32.h"

namespace session {

// The game's main window (null before it is made).
HWND mainWindow();

// The frame the next paint runs (the frames painted so far).
std::uint32_t frameNow();

// A key (virtual-key code) or mouse button (0 left, 1 right) pressed or
// released, sent to the window procedure as the system would send it.
void sendKey(HWND hwnd, unsigned vk, bool down);
void sendButton(HWND hwnd, int button, bool down);

// Sizes the client area to width x height and tells the game once, as the
// window system tells it of a size change.
void resizeClient(HWND hwnd, int width, int height);
// A watched or network game's client size is the one the game was given (a
// recording's sizes, the host's), delivered by the session itself: a size the
// window system reports once the first frame is out, or while the session
// moves the window, does not reach the game.
bool sizeNotTheGames(bool delivering, bool painted_any);

// A paint nobody asked a frame for: the back buffer shown again, no frame run.
void showLastFrame(HWND hwnd);

}  // namespace session
