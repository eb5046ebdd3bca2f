// The program started headless as WinMain starts it, at the default client
// size, its first frame painted: where the benchmarks that time frames begin.
#pragma once

#include <cstdio>

#include "app/entry.h"
#include "game/frame.h"
#include "game/game_state.h"
#include "game/random.h"
#include "platform/headless/headless.h"
#include "shell/shell_globals.h"

inline MainWindow& startHeadlessGame() {
  static int instance = 0;
  headless::reset();
  resetShellGlobals();
  resetGameState();
  g_shell.instance = reinterpret_cast<HINSTANCE>(&instance);
  std::snprintf(g_shell.title, sizeof g_shell.title, "%s", WINDOW_TITLE);
  initShell(g_shell.instance);
  createMainWindow();
  seedRandom(RANDOM_SEED);
  paintFrame();
  return g_shell.main_window;
}
