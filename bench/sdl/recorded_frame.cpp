// What the recorder costs a frame of the game in its real window: the main
// loop's idle pass and dispatch (a key and a button message every few frames,
// the paint with its present through SDL's software renderer on a private
// Xvfb display) with the game recorded into /dev/null, beside the same frames
// not recorded. The ratio of the two medians is printed last.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/entry.h"
#include "app/window_proc.h"
#include "bench/record/driven_frame.h"
#include "bench/sdl/median_reporter.h"
#include "bench/sdl/xvfb_session.h"
#include "game/game_state.h"
#include "game/random.h"
#include "platform/core/core.h"
#include "session/session.h"
#include "shell/shell_globals.h"

namespace {

int g_instance = 0;

// The program started as WinMain starts it, the session as the command line says.
bool startGame(const char* arguments) {
  platform::resetCore();
  resetShellGlobals();
  resetGameState();
  session::resetSession();
  std::string command_line = arguments;
  session::startSession(command_line.data());
  g_shell.instance = reinterpret_cast<HINSTANCE>(&g_instance);
  initShell(g_shell.instance);
  if (createMainWindow() != 0) return false;
  seedRandom(RANDOM_SEED);
  return true;
}

void endGame() {
  DestroyWindow(g_shell.main_window.window);
  MSG msg = {};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) DispatchMessageA(&msg);
  session::endSession();
}

void frames(benchmark::State& state, const char* arguments) {
  if (!startGame(arguments)) {
    state.SkipWithError("cannot open the window");
    return;
  }
  MainWindow& mw = g_shell.main_window;
  for (auto _ : state) {
    runDrivenFrame(mw);
  }
  endGame();
}

void notRecorded(benchmark::State& state) { frames(state, "--no-record"); }
void recorded(benchmark::State& state) { frames(state, "--record /dev/null"); }

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  XvfbSession display;
  if (!display.ready()) {
    std::printf("sdl_recorded_frame: no X display and no Xvfb; skipped\n");
    return 0;
  }
  setenv("SDL_RENDER_DRIVER", "software", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  double plain = 0;
  double with_recorder = 0;
  if (runMedianPair("frame_not_recorded", notRecorded, "frame_recorded", recorded, &plain,
                    &with_recorder)) {
    std::printf("a frame: %.1f us not recorded, %.1f us recorded: ratio %.4f\n", plain,
                with_recorder, with_recorder / plain);
  }
  return 0;
}
