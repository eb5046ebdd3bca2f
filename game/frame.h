// The game frame: one call per paint message. It presents the previous frame,
// erases what that frame drew, lets the mouse pick a level while the controls
// are locked, moves the shots and ships, draws them again and the border.
#pragma once

#include "shell/main_window.h"

void paintFrame();
// The game's own part of a frame, between the paint's begin (which presents
// the last frame) and its end (which counts this one).
void gameFrame(MainWindow* window);
