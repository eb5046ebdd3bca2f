// One frame as the main loop runs it, for the recorder's benchmarks: the idle
// pass's requests, then the queue dispatched (ship 1's X and ship 0's right
// button change every five frames, the paint). Shared by the headless
// measurement and the one in the real window, so both time the same work.
#pragma once

#include <cstdint>

#include "game/player_controls.h"
#include "game/random.h"
#include "platform/win32.h"
#include "session/session.h"
#include "shell/main_window.h"

inline void runDrivenFrame(MainWindow& mw) {
  const std::uint32_t frame = mw.presented_frames;
  if (frame % 5 == 0) {
    PostMessageA(mw.window, frame % 10 == 0 ? WM_KEYDOWN : WM_KEYUP, SHIP_KEY_ON, 1);
    PostMessageA(mw.window, frame % 10 == 0 ? WM_RBUTTONDOWN : WM_RBUTTONUP, 0, 0);
  }
  const session::IdleStep step = session::idlePass();
  if (step.redraw) MainWindow::requestRedraw(&mw);
  if (step.tick) tickRandom();
  MSG msg = {};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}
