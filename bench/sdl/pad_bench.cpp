// What game controllers cost per frame: the event pump the program runs before
// every frame (PeekMessageA, SDL's event and joystick poll, the controller
// mapper, messages dispatched) without the controller subsystem, with two of
// SDL's virtual controllers attached and idle, and with both pressing or
// releasing A every frame; beside them the present of one frame (734 x 531,
// software renderer, private Xvfb display), the frame's own largest cost.
// The polling's extra cost is printed last as a share of the present.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "bench/sdl/bench_frame.h"
#include "bench/sdl/median_reporter.h"
#include "bench/sdl/xvfb_session.h"

namespace {

BenchFrame g_frame;
SDL_Joystick* g_pads[2] = {};

void controllers(bool on) {
  const bool up = SDL_WasInit(SDL_INIT_GAMECONTROLLER) != 0;
  if (on && !up) {
    SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
    for (SDL_Joystick*& pad : g_pads) {
      const int device = SDL_JoystickAttachVirtual(
          SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
      pad = device >= 0 ? SDL_JoystickOpen(device) : nullptr;
    }
  }
  if (!on && up) {
    while (SDL_WasInit(SDL_INIT_GAMECONTROLLER) != 0) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  }
  for (int i = 0; i < 10; ++i) pumpBenchMessages();
}

void pumpWithout(benchmark::State& state) {
  controllers(false);
  for (auto _ : state) pumpBenchMessages();
}

void pumpIdle(benchmark::State& state) {
  controllers(true);
  for (auto _ : state) pumpBenchMessages();
}

void pumpPressing(benchmark::State& state) {
  controllers(true);
  Uint8 down = 0;
  for (auto _ : state) {
    down ^= 1;
    for (SDL_Joystick* pad : g_pads) {
      if (pad != nullptr) SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_A, down);
    }
    pumpBenchMessages();
  }
  for (SDL_Joystick* pad : g_pads) {
    if (pad != nullptr) SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_A, 0);
  }
  pumpBenchMessages();
}

void present(benchmark::State& state) {
  for (auto _ : state) presentBenchFrame(g_frame);
  pumpBenchMessages();
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  XvfbSession display;
  if (!display.ready()) {
    std::printf("sdl_pad_bench: no X display and no Xvfb; skipped\n");
    return 0;
  }
  setenv("SDL_RENDER_DRIVER", "software", 1);
  // The bench window need not have the focus for controller events to flow.
  setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);
  if (!makeBenchFrame(&g_frame, "controller bench")) {
    std::printf("sdl_pad_bench: cannot make the window or the frame; skipped\n");
    return 0;
  }
  const struct {
    const char* name;
    void (*fn)(benchmark::State&);
  } runs[] = {{"pump_without_controllers", pumpWithout},
              {"pump_two_idle_controllers", pumpIdle},
              {"pump_two_controllers_pressing", pumpPressing},
              {"sdl_present_734x531", present}};
  for (const auto& r : runs) {
    benchmark::RegisterBenchmark(r.name, r.fn)->Unit(benchmark::kMicrosecond)->UseRealTime();
  }
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double t[4] = {};
  bool all = true;
  for (int i = 0; i < 4; ++i) all = reporter.get(runs[i].name, &t[i]) && all;
  benchmark::Shutdown();
  if (all && t[3] > 0) {
    std::printf(
        "pump %.2f us without controllers, %.2f us with two idle, %.2f us with two pressing; "
        "present %.1f us: controllers add %.2f us idle (%.2f%% of the present), %.2f us "
        "pressing (%.2f%%)\n",
        t[0], t[1], t[2], t[3], t[1] - t[0], 100.0 * (t[1] - t[0]) / t[3], t[2] - t[0],
        100.0 * (t[2] - t[0]) / t[3]);
  }
  return 0;
}
