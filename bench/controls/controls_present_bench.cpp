// The SDL present of one 734 x 531 frame (software renderer, private Xvfb
// display) in a window without controls and in a window that shows an edit
// field, a combo box and a list box holding text, unchanged between frames as
// a game frame leaves them. The ratio of the two medians is printed last.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

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
};
Scene g_plain;
Scene g_with_controls;

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

// A shown window of the game's size and a bottom-up 8-bit frame of many colours.
bool makeScene(Scene* scene) {
  scene->hwnd =
      CreateWindowExA(0, "ControlsPresentBench", "controls present bench", WS_OVERLAPPEDWINDOW, 0,
                      0, CLIENT_WIDTH + platform::FRAME_WIDTH,
                      CLIENT_HEIGHT + platform::FRAME_HEIGHT, nullptr, nullptr, nullptr, nullptr);
  if (scene->hwnd == nullptr) return false;
  ShowWindow(scene->hwnd, SW_SHOWNORMAL);
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
  scene->window_dc = GetDC(scene->hwnd);
  scene->memory_dc = CreateCompatibleDC(scene->window_dc);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(scene->memory_dc, reinterpret_cast<BITMAPINFO*>(&info),
                                    DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) return false;
  SelectObject(scene->memory_dc, bitmap);
  auto* pixels = static_cast<std::uint8_t*>(bits);
  for (int y = 0; y < CLIENT_HEIGHT; ++y) {
    for (int x = 0; x < CLIENT_WIDTH; ++x) {
      pixels[y * STRIDE + x] = static_cast<std::uint8_t>((x / 8 + y / 8 * 7) % 216);
    }
  }
  return true;
}

HWND child(const char* cls, DWORD style, int x, int y, int w, int h, int id) {
  return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                         g_with_controls.hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         nullptr, nullptr);
}

bool addControls() {
  const HWND edit = child("EDIT", WS_BORDER, 74, 94, 220, 24, 1);
  const HWND combo = child("COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL, 440, 94, 220, 24, 2);
  const HWND list =
      child("LISTBOX", WS_BORDER | LBS_NOTIFY | LBS_HASSTRINGS, 184, 186, 367, 212, 3);
  if (edit == nullptr || combo == nullptr || list == nullptr) return false;
  SetWindowTextA(edit, "12345");
  SetWindowTextA(combo, "red");
  for (const char* item :
       {"name: notes.txt", "extension: .txt", "name: readme", "extension: (none)"}) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
  SendMessageA(list, LB_SETCURSEL, 1, 0);
  return true;
}

void present(benchmark::State& state, const Scene& scene) {
  for (auto _ : state) {
    BitBlt(scene.window_dc, 0, 0, CLIENT_WIDTH, CLIENT_HEIGHT, scene.memory_dc, 0, 0, SRCCOPY);
  }
  pump();
}

void presentPlain(benchmark::State& state) { present(state, g_plain); }
void presentWithControls(benchmark::State& state) { present(state, g_with_controls); }

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  XvfbSession display;
  if (!display.ready()) {
    std::printf("sdl_controls_present_bench: no X display and no Xvfb; skipped\n");
    return 0;
  }
  setenv("SDL_RENDER_DRIVER", "software", 1);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = benchProc;
  wc.lpszClassName = "ControlsPresentBench";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  if (RegisterClassExA(&wc) == 0 || !makeScene(&g_plain) || !makeScene(&g_with_controls) ||
      !addControls()) {
    std::printf("sdl_controls_present_bench: cannot make the windows; skipped\n");
    return 0;
  }
  pump();
  const char* renderer = platform::sdl::rendererName();
  std::printf("SDL renderer: %s, frame %d x %d\n", renderer != nullptr ? renderer : "?",
              CLIENT_WIDTH, CLIENT_HEIGHT);
  const char* plain_name = "sdl_present_no_controls";
  const char* controls_name = "sdl_present_three_controls";
  benchmark::RegisterBenchmark(plain_name, presentPlain)
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark(controls_name, presentWithControls)
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime();
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double plain = 0;
  double with_controls = 0;
  if (reporter.get(plain_name, &plain) && reporter.get(controls_name, &with_controls) &&
      plain > 0) {
    std::printf("present %.1f us without controls, %.1f us with three: ratio %.3f\n", plain,
                with_controls, with_controls / plain);
  }
  benchmark::Shutdown();
  return 0;
}
