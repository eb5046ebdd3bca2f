// What one frame's present costs in the SDL backend at the default client size
// (734 x 531): BitBlt from an 8-bit DIB section to the window, that is lock the
// texture, convert through the palette table, unlock, copy and present, with
// SDL's software renderer on a private Xvfb display. Beside it the bare table
// conversion of the same frame; the ratio of the two medians is printed last.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/sdl/bench_frame.h"
#include "bench/sdl/median_reporter.h"
#include "bench/sdl/xvfb_session.h"
#include "platform/core/core.h"
#include "platform/sdl/sdl_backend.h"

namespace {

constexpr int CLIENT_WIDTH = BENCH_CLIENT_WIDTH;
constexpr int CLIENT_HEIGHT = BENCH_CLIENT_HEIGHT;
constexpr int STRIDE = BENCH_STRIDE;

struct Scene {
  BenchFrame frame;
  std::uint32_t lut[256] = {};
  std::vector<std::uint32_t> converted;
};
Scene g_scene;

bool makeScene() {
  if (!makeBenchFrame(&g_scene.frame, "present bench")) return false;
  platform::buildPaletteLut(g_scene.frame.colours, 256, g_scene.lut);
  g_scene.converted.assign(static_cast<std::size_t>(CLIENT_WIDTH) * CLIENT_HEIGHT, 0);
  return true;
}

void sdlPresent(benchmark::State& state) {
  for (auto _ : state) presentBenchFrame(g_scene.frame);
  pumpBenchMessages();
}

void lutConversion(benchmark::State& state) {
  const std::uint8_t* top =
      g_scene.frame.pixels + static_cast<std::ptrdiff_t>(CLIENT_HEIGHT - 1) * STRIDE;
  for (auto _ : state) {
    platform::convertIndexedRows(top, -STRIDE, CLIENT_WIDTH, CLIENT_HEIGHT, g_scene.lut,
                                 g_scene.converted.data(), CLIENT_WIDTH);
    benchmark::DoNotOptimize(g_scene.converted.data());
    benchmark::ClobberMemory();
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  XvfbSession display;
  if (!display.ready()) {
    std::printf("sdl_present_bench: no X display and no Xvfb; skipped\n");
    return 0;
  }
  setenv("SDL_RENDER_DRIVER", "software", 1);
  if (!makeScene()) {
    std::printf("sdl_present_bench: cannot make the window or the frame; skipped\n");
    return 0;
  }
  const char* renderer = platform::sdl::rendererName();
  std::printf("SDL renderer: %s, frame %d x %d, %s display\n", renderer != nullptr ? renderer : "?",
              CLIENT_WIDTH, CLIENT_HEIGHT, display.isPrivate() ? "private Xvfb" : "existing");
  double convert = 0;
  double present = 0;
  if (runMedianPair("lut_conversion_734x531", lutConversion, "sdl_present_734x531", sdlPresent,
                    &convert, &present)) {
    std::printf("present %.1f us, conversion alone %.1f us: the present costs %.1f conversions\n",
                present, convert, present / convert);
  }
  return 0;
}
