// Frame pacing of the real program in a real window: runs the program's
// WinMain on the SDL backend (software renderer, private Xvfb display), takes
// the counter at the present of every paint, and after 600 frame periods asks
// the window to close. Prints the mean and standard deviation of the period.
// Run it from the folder that holds the sound files (or pass --run-dir=DIR).
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/sdl/xvfb_session.h"
#include "platform/core/core.h"
#include "platform/sdl/sdl_backend.h"

namespace {

// Frames that fall due while the window is being made run back to back; the
// measurement starts once the schedule has settled.
constexpr int SKIPPED_FRAMES = 60;
constexpr int PERIODS = 600;

std::int64_t g_stamps[PERIODS + 1];
int g_seen = 0;
int g_kept = 0;

void onPresent(std::int64_t counter) {
  if (g_seen++ < SKIPPED_FRAMES || g_kept > PERIODS) return;
  g_stamps[g_kept++] = counter;
  if (g_kept == PERIODS + 1) PostMessageA(platform::topLevelWindow(), WM_CLOSE, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    // Google Benchmark flags are passed to every bench program; they mean nothing here.
    if (std::strncmp(argv[i], "--run-dir=", 10) == 0 && chdir(argv[i] + 10) != 0) {
      std::perror(argv[i] + 10);
      return 1;
    }
  }
  XvfbSession display;
  if (!display.ready()) {
    std::printf("sdl_frame_pacing: no X display and no Xvfb; skipped\n");
    return 0;
  }
  setenv("SDL_RENDER_DRIVER", "software", 1);
  if (std::getenv("SDL_AUDIODRIVER") == nullptr) setenv("SDL_AUDIODRIVER", "dummy", 1);
  platform::sdl::setPresentObserver(onPresent);
  static int module_marker = 0;
  char command_line[] = "--no-record";
  const int status =
      WinMain(reinterpret_cast<HINSTANCE>(&module_marker), nullptr, command_line, SW_SHOWNORMAL);
  platform::sdl::setPresentObserver(nullptr);
  if (g_kept < PERIODS + 1) {
    std::printf("sdl_frame_pacing: the program ended after %d frames (status %d)\n", g_seen,
                status);
    return 1;
  }
  const double tick_ms = 1000.0 / static_cast<double>(platform::backend::counterFrequency());
  double sum = 0;
  double min = 1e300;
  double max = 0;
  for (int i = 0; i < PERIODS; ++i) {
    const double p = static_cast<double>(g_stamps[i + 1] - g_stamps[i]) * tick_ms;
    sum += p;
    min = p < min ? p : min;
    max = p > max ? p : max;
  }
  const double mean = sum / PERIODS;
  double squares = 0;
  for (int i = 0; i < PERIODS; ++i) {
    const double d = static_cast<double>(g_stamps[i + 1] - g_stamps[i]) * tick_ms - mean;
    squares += d * d;
  }
  const double deviation = std::sqrt(squares / PERIODS);
  std::printf(
      "frame period over %d frames: mean %.4f ms (%.3f fps), std dev %.4f ms, "
      "min %.3f ms, max %.3f ms; program status %d\n",
      PERIODS, mean, 1000.0 / mean, deviation, min, max, status);
  return status;
}
