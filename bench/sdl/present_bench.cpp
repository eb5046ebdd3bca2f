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

#include "bench/sdl/median_reporter.h"
#include "bench/sdl/xvfb_session.h"
#include "platform/core/core.h"
#include "platform/sdl/sdl_backend.h"

namespace {

constexpr int CLIENT_WIDTH = 734;
constexpr int CLIENT_HEIGHT = 531;
constexpr int STRIDE = (CLIENT_WIDTH + 3) & ~3;

struct Scene {
  HWND hwnd = nullptr;
  HDC window_dc = nullptr;
  HDC memory_dc = nullptr;
  std::uint8_t* pixels = nullptr;
  std::uint32_t lut[256] = {};
  std::vector<std::uint32_t> converted;
};
Scene g_scene;

LRESULT CALLBACK benchProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wparam, lparam);
}

void pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE) != FALSE) DispatchMessageA(&m);
}

// A window of the game's size and a bottom-up 8-bit frame with the game's
// colour cube, holding a pattern of many colours.
bool makeScene() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = benchProc;
  wc.lpszClassName = "PresentBench";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  if (RegisterClassExA(&wc) == 0) return false;
  g_scene.hwnd =
      CreateWindowExA(0, "PresentBench", "present bench", WS_OVERLAPPEDWINDOW, 0, 0,
                      CLIENT_WIDTH + platform::FRAME_WIDTH, CLIENT_HEIGHT + platform::FRAME_HEIGHT,
                      nullptr, nullptr, nullptr, nullptr);
  if (g_scene.hwnd == nullptr) return false;
  ShowWindow(g_scene.hwnd, SW_SHOWNORMAL);
  pump();

  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = CLIENT_WIDTH;
  info.header.biHeight = CLIENT_HEIGHT;
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  info.header.biCompression = BI_RGB;
  for (int i = 0; i < 216; ++i) {
    info.colours[i] = RGBQUAD{static_cast<BYTE>((i % 6) * 51), static_cast<BYTE>((i / 36) * 51),
                              static_cast<BYTE>(((i / 6) % 6) * 51), 0};
  }
  g_scene.window_dc = GetDC(g_scene.hwnd);
  g_scene.memory_dc = CreateCompatibleDC(g_scene.window_dc);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(g_scene.memory_dc, reinterpret_cast<BITMAPINFO*>(&info),
                                    DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) return false;
  SelectObject(g_scene.memory_dc, bitmap);
  g_scene.pixels = static_cast<std::uint8_t*>(bits);
  for (int y = 0; y < CLIENT_HEIGHT; ++y) {
    for (int x = 0; x < CLIENT_WIDTH; ++x) {
      g_scene.pixels[y * STRIDE + x] = static_cast<std::uint8_t>((x / 8 + y / 8 * 7) % 216);
    }
  }
  platform::buildPaletteLut(info.colours, 256, g_scene.lut);
  g_scene.converted.assign(static_cast<std::size_t>(CLIENT_WIDTH) * CLIENT_HEIGHT, 0);
  return true;
}

void sdlPresent(benchmark::State& state) {
  for (auto _ : state) {
    BitBlt(g_scene.window_dc, 0, 0, CLIENT_WIDTH, CLIENT_HEIGHT, g_scene.memory_dc, 0, 0, SRCCOPY);
  }
  pump();
}

void lutConversion(benchmark::State& state) {
  const std::uint8_t* top =
      g_scene.pixels + static_cast<std::ptrdiff_t>(CLIENT_HEIGHT - 1) * STRIDE;
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
  const char* present_name = "sdl_present_734x531";
  const char* convert_name = "lut_conversion_734x531";
  benchmark::RegisterBenchmark(present_name, sdlPresent)
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark(convert_name, lutConversion)
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime();
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double present = 0;
  double convert = 0;
  if (reporter.get(present_name, &present) && reporter.get(convert_name, &convert) && convert > 0) {
    std::printf("present %.1f us, conversion alone %.1f us: the present costs %.1f conversions\n",
                present, convert, present / convert);
  }
  benchmark::Shutdown();
  return 0;
}
