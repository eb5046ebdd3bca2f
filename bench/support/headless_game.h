// The program started headless as WinMain starts it, at the default client
// size, its first frame painted: where the benchmarks that time frames begin.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/entry.h"
#include "game/frame.h"
#include "game/game_state.h"
#include "game/random.h"
#include "game/saved_state.h"
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

// The baseline beside the game's state work: a memcpy of as many bytes as
// the game's saved state at the window's size now.
inline void memcpyStateBlock(benchmark::State& state) {
  std::vector<std::uint8_t> from(savedStateSize(), 1);
  std::vector<std::uint8_t> to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(from.size()));
}
