// What the bigger picture costs: the present of the game's frame (734 x 531,
// 8-bit, through BitBlt) fullscreen at the largest whole factor the screen
// holds, nearest neighbour on the renderer, beside the same present in a
// window at 1x; SDL's software renderer on a private Xvfb display of
// FULLSCREEN_SCREEN (built twice: 1920 x 1080 gives 2x, 2560 x 1600 gives 3x)
// with openbox on it, since desktop fullscreen needs a window manager. The
// ratio of the medians is printed last.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "bench/sdl/bench_frame.h"
#include "bench/sdl/median_reporter.h"
#include "bench/sdl/xvfb_session.h"
#include "platform/sdl/scale.h"
#include "platform/sdl/sdl_backend.h"

namespace {

BenchFrame g_frame;

// The renderer's part alone: SDL's software renderer drawing into memory the
// size of the window or the screen, the frame's texture copied onto it at 1x
// or at the screen's factor (margins filled black), as the present does.
struct Offscreen {
  SDL_Surface* surface = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  SDL_Rect picture{};
  SDL_Rect margins[4] = {};
};
Offscreen g_window_copy;
Offscreen g_screen_copy;

bool makeOffscreen(Offscreen* o, int ow, int oh) {
  o->surface = SDL_CreateRGBSurfaceWithFormat(0, ow, oh, 32, SDL_PIXELFORMAT_ARGB8888);
  if (o->surface == nullptr) return false;
  o->renderer = SDL_CreateSoftwareRenderer(o->surface);
  if (o->renderer == nullptr) return false;
  o->texture = SDL_CreateTexture(o->renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                 BENCH_CLIENT_WIDTH, BENCH_CLIENT_HEIGHT);
  if (o->texture == nullptr) return false;
  SDL_SetTextureScaleMode(o->texture, SDL_ScaleModeNearest);
  const platform::sdl::PictureRect p =
      platform::sdl::pictureRect(ow, oh, BENCH_CLIENT_WIDTH, BENCH_CLIENT_HEIGHT);
  o->picture = SDL_Rect{p.x, p.y, p.width, p.height};
  o->margins[0] = SDL_Rect{0, 0, ow, p.y};
  o->margins[1] = SDL_Rect{0, p.y + p.height, ow, oh - p.y - p.height};
  o->margins[2] = SDL_Rect{0, p.y, p.x, p.height};
  o->margins[3] = SDL_Rect{p.x + p.width, p.y, ow - p.x - p.width, p.height};
  return true;
}

void rendererCopy(benchmark::State& state, Offscreen* o) {
  for (auto _ : state) {
    SDL_SetRenderDrawColor(o->renderer, 0, 0, 0, 255);
    if (o->picture.x > 0 || o->picture.y > 0) SDL_RenderFillRects(o->renderer, o->margins, 4);
    SDL_RenderCopy(o->renderer, o->texture, nullptr, &o->picture);
    SDL_RenderFlush(o->renderer);
  }
}
void windowCopy(benchmark::State& state) { rendererCopy(state, &g_window_copy); }
void screenCopy(benchmark::State& state) { rendererCopy(state, &g_screen_copy); }

// openbox on the private display, its output dropped; -1 when not there.
pid_t startWindowManager() {
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
  char name[] = "openbox";
  char* args[] = {name, nullptr};
  pid_t pid = -1;
  if (posix_spawnp(&pid, name, &files, nullptr, args, environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&files);
  if (pid > 0) SDL_Delay(1000);  // until it manages the screen
  return pid;
}

// Fullscreen on or off, and the window system's answer taken in.
void settle(bool fullscreen) {
  platform::sdl::setFullscreen(g_frame.hwnd, fullscreen);
  for (int i = 0; i < 40; ++i) {
    pumpBenchMessages();
    SDL_Delay(5);
  }
}

void windowed(benchmark::State& state) {
  settle(false);
  for (auto _ : state) presentBenchFrame(g_frame);
  pumpBenchMessages();
}

void fullscreen(benchmark::State& state) {
  settle(true);
  for (auto _ : state) presentBenchFrame(g_frame);
  pumpBenchMessages();
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  XvfbSession display(FULLSCREEN_SCREEN);
  if (!display.ready()) {
    std::printf("sdl_fullscreen_bench: no X display and no Xvfb; skipped\n");
    return 0;
  }
  // SDL's software renderer unless SDL_RENDER_DRIVER names another.
  setenv("SDL_RENDER_DRIVER", "software", 0);
  const pid_t wm = display.isPrivate() ? startWindowManager() : -1;
  if (display.isPrivate() && wm < 0)
    std::printf("no openbox: fullscreen may not take the screen\n");
  if (!makeBenchFrame(&g_frame, "fullscreen bench")) {
    std::printf("sdl_fullscreen_bench: cannot make the window or the frame; skipped\n");
    return 0;
  }
  SDL_DisplayMode mode{};
  SDL_GetDesktopDisplayMode(0, &mode);
  const int factor =
      platform::sdl::fitScale(mode.w, mode.h, BENCH_CLIENT_WIDTH, BENCH_CLIENT_HEIGHT);
  const char* renderer = platform::sdl::rendererName();
  std::printf("screen %d x %d (%s display), renderer %s: fullscreen picture %d x %d at %dx\n",
              mode.w, mode.h, display.isPrivate() ? "private Xvfb" : "existing",
              renderer != nullptr ? renderer : "?", BENCH_CLIENT_WIDTH * factor,
              BENCH_CLIENT_HEIGHT * factor, factor);
  char name[64];
  std::snprintf(name, sizeof name, "sdl_present_fullscreen_%dx", factor);
  char copy_name[64];
  std::snprintf(copy_name, sizeof copy_name, "renderer_copy_fullscreen_%dx", factor);
  const bool copies = makeOffscreen(&g_window_copy, BENCH_CLIENT_WIDTH, BENCH_CLIENT_HEIGHT) &&
                      makeOffscreen(&g_screen_copy, mode.w, mode.h);
  const char* one_name = "sdl_present_window_1x";
  benchmark::RegisterBenchmark(one_name, windowed)->Unit(benchmark::kMicrosecond)->UseRealTime();
  benchmark::RegisterBenchmark(name, fullscreen)->Unit(benchmark::kMicrosecond)->UseRealTime();
  if (copies) {
    benchmark::RegisterBenchmark("renderer_copy_1x", windowCopy)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(copy_name, screenCopy)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
  }
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double one = 0;
  double scaled = 0;
  double one_cpu = 0;
  double scaled_cpu = 0;
  if (reporter.get(one_name, &one) && reporter.get(name, &scaled) &&
      reporter.getCpu(one_name, &one_cpu) && reporter.getCpu(name, &scaled_cpu) && one > 0 &&
      one_cpu > 0) {
    // CPU time is this process's part (conversion, the scaled copy, handing the
    // picture over); real time adds the display server's copy of the screen.
    std::printf(
        "present at 1x %.1f us (CPU %.1f us), fullscreen at %dx %.1f us (CPU %.1f us): %.2f "
        "times the 1x present, %.2f times its CPU time\n",
        one, one_cpu, factor, scaled, scaled_cpu, scaled / one, scaled_cpu / one_cpu);
  }
  double copy_one = 0;
  double copy_scaled = 0;
  if (reporter.get("renderer_copy_1x", &copy_one) && reporter.get(copy_name, &copy_scaled) &&
      copy_one > 0 && scaled > 0) {
    std::printf(
        "the software renderer's copy in memory: %.1f us at 1x, %.1f us at %dx (%.2f times); at "
        "%dx it is %.1f%% of "
        "the fullscreen present, %.1f%% of a 60 Hz frame\n",
        copy_one, copy_scaled, factor, copy_scaled / copy_one, factor, 100.0 * copy_scaled / scaled,
        100.0 * copy_scaled / 16667.0);
  }
  benchmark::Shutdown();
  settle(false);
  if (wm > 0) {
    kill(wm, SIGTERM);
    waitpid(wm, nullptr, 0);
  }
  return 0;
}
