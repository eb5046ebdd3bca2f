// The game frame: one call per paint message. It presents the previous frame,
// erases what that frame drew, lets the mouse pick a level while the controls
// are locked, moves the shots and ships, draws them again and the border.
#pragma once

void paintFrame();
