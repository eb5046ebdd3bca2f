// Presenting a frame through the palette, and a whole empty frame, at the
// default client size on the headless backend.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "app/entry.h"
#include "display/back_buffer.h"
#include "game/frame.h"
#include "game/game_state.h"
#include "platform/headless/headless.h"
#include "shell/shell_globals.h"

namespace {

int g_instance = 0;

MainWindow& openWindow() {
  headless::reset();
  resetShellGlobals();
  resetGameState();
  g_shell.instance = reinterpret_cast<HINSTANCE>(&g_instance);
  std::snprintf(g_shell.title, sizeof g_shell.title, "%s", WINDOW_TITLE);
  initShell(g_shell.instance);
  createMainWindow();
  paintFrame();  // makes the back buffer
  MainWindow& mw = g_shell.main_window;
  for (std::int32_t i = 0; i < mw.size; ++i) mw.pixel_base[i] = static_cast<std::uint8_t>(i % 216);
  return mw;
}

void PresentFrame(benchmark::State& state) {
  MainWindow& mw = openWindow();
  PAINTSTRUCT ps{};
  ps.hdc = GetDC(mw.window);
  for (auto _ : state) {
    PresentBackBuffer(&mw, &ps);
    benchmark::ClobberMemory();
  }
  ReleaseDC(mw.window, ps.hdc);
  state.SetItemsProcessed(state.iterations() * mw.width * mw.height);
  state.counters["pixels"] = mw.width * mw.height;
}
BENCHMARK(PresentFrame)->Unit(benchmark::kMicrosecond);

void EmptyFrame(benchmark::State& state) {
  MainWindow& mw = openWindow();
  for (auto _ : state) {
    InvalidateRect(mw.window, nullptr, FALSE);
    paintFrame();  // begin paint with present, end paint, ageing
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(EmptyFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
