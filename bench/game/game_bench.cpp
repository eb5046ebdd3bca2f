// The game's cost: one whole frame with both ships and a busy shot pool beside
// the palette conversion every present of the same frame needs; each level
// build beside a memset of the same buffer; the replay runner's frame rate.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

#include "app/entry.h"
#include "bench/support/headless_game.h"
#include "game/frame.h"
#include "game/game_state.h"
#include "game/levels.h"
#include "platform/core/core.h"
#include "platform/headless/headless.h"
#include "record/format.h"
#include "shell/shell_globals.h"
#include "tools/replay/replay.h"

namespace {

MainWindow& startGame() { return startHeadlessGame(); }

// Keeps all 60 shots in the air: freed ones are fired again from both sides,
// so every frame some fly, some strike and paint their discs.
void refillShots(std::uint32_t frame) {
  for (int i = 0; i < SHOT_POOL_SIZE; ++i) {
    const Ship& s = g_game.ships[i % 2];
    const std::int32_t spread = static_cast<std::int32_t>((frame * 7 + i * 13) % 64) * 16;
    g_game.shots.launch(s.muzzle.x, s.muzzle.y, 300 - spread / 2, spread - 400, s.down.x, s.down.y,
                        s.ground_colour, s.territory_colour);
  }
}

void GameFrame(benchmark::State& state) {
  MainWindow& mw = startGame();
  mw.presented_frames = 1000;  // running time: the ships steer and fire
  g_shell.KeyState[SHIP_KEY_ON] = g_shell.KeyState[SHIP_KEY_BACK] = 2;
  g_shell.MouseButtons[0] = g_shell.MouseButtons[1] = 2;
  const bool busy = state.range(0) != 0;
  for (auto _ : state) {
    if (busy) refillShots(mw.presented_frames);
    gameFrame(&mw);
    ++mw.presented_frames;
    ++mw.frames_since_resize;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(busy ? "both ships firing, 60 shots in the pool" : "both ships firing");
}
BENCHMARK(GameFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The least any present of the same frame costs: its conversion through the palette.
void PresentConversion(benchmark::State& state) {
  MainWindow& mw = startGame();
  std::uint32_t lut[256];
  platform::buildPaletteLut(mw.bitmap_info.palette, 256, lut);
  static std::uint32_t argb[734 * 531];
  for (auto _ : state) {
    platform::convertIndexedRows(mw.pixel_base + (mw.height - 1) * mw.stride, -mw.stride, mw.width,
                                 mw.height, lut, argb, mw.width);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(PresentConversion)->Unit(benchmark::kMicrosecond);

void LevelBuild(benchmark::State& state) {
  MainWindow& mw = startGame();
  const auto level = static_cast<std::int32_t>(state.range(0));
  Fixed8 x0, y0, x1, y1;
  Angle r0, r1;
  for (auto _ : state) {
    if (level < 0) {
      std::memset(mw.pixel_base, 7, static_cast<std::size_t>(mw.size));
    } else {
      LevelSet::build(level, &x0, &y0, &r0, &x1, &y1, &r1);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * mw.size);
  state.SetLabel(level < 0 ? "memset of the same buffer" : "level " + std::to_string(level));
}
BENCHMARK(LevelBuild)->DenseRange(-1, 3)->Unit(benchmark::kMicrosecond);

void ReplayDuel(benchmark::State& state) {
  replay::Script script;
  std::string error;
  if (!record::readScript(DUEL_SCRIPT, &script, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  std::FILE* out = std::fopen("/dev/null", "w");
  replay::Options options;
  options.frames = 2000;
  for (auto _ : state) {
    state.PauseTiming();
    headless::reset();
    resetShellGlobals();
    resetGameState();
    state.ResumeTiming();
    replay::run(script, options, out);
  }
  std::fclose(out);
  state.SetItemsProcessed(state.iterations() * options.frames);
  state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * 2000,
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(ReplayDuel)->Unit(benchmark::kMillisecond);

}  // namespace
