// The game's state as a value: save and restore at the default 734 x 531
// client beside a memcpy of the same bytes, and one frame run without a paint
// beside the same frame painted. The ratios of the medians are printed last.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/entry.h"
#include "bench/sdl/median_reporter.h"
#include "bench/support/headless_game.h"
#include "game/frame.h"
#include "game/frame_runner.h"
#include "game/game_state.h"
#include "game/random.h"
#include "game/saved_state.h"
#include "platform/headless/headless.h"
#include "shell/shell_globals.h"

namespace {

constexpr std::uint32_t WARM_FRAMES = 300;

// The program at the default client size, its first frame painted, then
// both players holding both controls until shots fly and strike everywhere.
MainWindow& startGame() {
  startHeadlessGame();
  const InputMessage hold[] = {keyMessage(SHIP_KEY_ON, true), keyMessage(SHIP_KEY_BACK, true),
                               buttonMessage(MOUSE_LEFT, true), buttonMessage(MOUSE_RIGHT, true)};
  std::uint32_t sounds = 0;
  while (g_shell.main_window.presented_frames < WARM_FRAMES) {
    const bool press = g_shell.main_window.presented_frames == 130;
    stepFrame(press ? std::span<const InputMessage>(hold) : std::span<const InputMessage>(),
              &sounds);
  }
  return g_shell.main_window;
}

void MemcpyOfTheSameBytes(benchmark::State& state) {
  startGame();
  std::vector<std::uint8_t> from(savedStateSize(), 1);
  std::vector<std::uint8_t> to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(from.size()));
}

void SaveState(benchmark::State& state) {
  startGame();
  std::vector<std::uint8_t> block(savedStateSize());
  for (auto _ : state) {
    if (!saveState(block.data(), block.size())) state.SkipWithError("save refused");
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(block.size()));
}

void RestoreState(benchmark::State& state) {
  startGame();
  std::vector<std::uint8_t> block(savedStateSize());
  saveState(block.data(), block.size());
  for (auto _ : state) {
    if (!restoreState(block.data(), block.size())) state.SkipWithError("restore refused");
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(block.size()));
}

// Both frame benchmarks start from the same busy game and run on from it.
void FrameWithoutPaint(benchmark::State& state) {
  startGame();
  std::uint32_t sounds = 0;
  for (auto _ : state) {
    stepFrame({}, &sounds);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void FrameWithPaint(benchmark::State& state) {
  startGame();
  for (auto _ : state) {
    tickRandom();
    paintFrame();
    g_game.sound.requests = 0;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::pair<const char*, void (*)(benchmark::State&)> all[] = {
      {"memcpy_of_the_same_bytes", MemcpyOfTheSameBytes},
      {"save_state", SaveState},
      {"restore_state", RestoreState},
      {"frame_without_paint", FrameWithoutPaint},
      {"frame_with_paint", FrameWithPaint}};
  for (const auto& [name, fn] : all) {
    benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMicrosecond)->UseRealTime();
  }
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double copy = 0, save = 0, restore = 0, step = 0, paint = 0;
  if (reporter.get("memcpy_of_the_same_bytes", &copy) && reporter.get("save_state", &save) &&
      reporter.get("restore_state", &restore) && copy > 0) {
    std::printf(
        "%zu bytes: memcpy %.2f us, save %.2f us (ratio %.2f), restore %.2f us (ratio %.2f)\n",
        savedStateSize(), copy, save, save / copy, restore, restore / copy);
  }
  if (reporter.get("frame_without_paint", &step) && reporter.get("frame_with_paint", &paint) &&
      paint > 0) {
    std::printf("a frame: %.1f us without a paint, %.1f us painted: ratio %.3f\n", step, paint,
                step / paint);
  }
  benchmark::Shutdown();
  return 0;
}
