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
  setenv("SDL_RENDER_DRIVER", "software", 1);
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
  std::printf("screen %d x %d (%s display): fullscreen picture %d x %d at %dx\n", mode.w, mode.h,
              display.isPrivate() ? "private Xvfb" : "existing", BENCH_CLIENT_WIDTH * factor,
              BENCH_CLIENT_HEIGHT * factor, factor);
  char name[64];
  std::snprintf(name, sizeof name, "sdl_present_fullscreen_%dx", factor);
  double one = 0;
  double scaled = 0;
  if (runMedianPair("sdl_present_window_1x", windowed, name, fullscreen, &one, &scaled)) {
    std::printf("present at 1x %.1f us, fullscreen at %dx %.1f us: %.2f times the 1x present\n",
                one, factor, scaled, scaled / one);
  }
  settle(false);
  if (wm > 0) {
    kill(wm, SIGTERM);
    waitpid(wm, nullptr, 0);
  }
  return 0;
}
