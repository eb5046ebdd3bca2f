// The SDL present of one 734 x 531 frame (software renderer, private Xvfb
// display) in a window without controls and in a window that shows an edit
// field, a combo box and a list box holding text, unchanged between frames as
// a game frame leaves them. The ratio of the two medians is printed last.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "bench/sdl/bench_frame.h"
#include "bench/sdl/median_reporter.h"
#include "bench/sdl/xvfb_session.h"
#include "platform/sdl/sdl_backend.h"

namespace {

BenchFrame g_plain;
BenchFrame g_with_controls;

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

void present(benchmark::State& state, const BenchFrame& frame) {
  for (auto _ : state) presentBenchFrame(frame);
  pumpBenchMessages();
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
  if (!makeBenchFrame(&g_plain, "without controls") ||
      !makeBenchFrame(&g_with_controls, "with controls") || !addControls()) {
    std::printf("sdl_controls_present_bench: cannot make the windows; skipped\n");
    return 0;
  }
  pumpBenchMessages();
  const char* renderer = platform::sdl::rendererName();
  std::printf("SDL renderer: %s, frame %d x %d\n", renderer != nullptr ? renderer : "?",
              BENCH_CLIENT_WIDTH, BENCH_CLIENT_HEIGHT);
  double plain = 0;
  double with_controls = 0;
  if (runMedianPair("sdl_present_no_controls", presentPlain, "sdl_present_three_controls",
                    presentWithControls, &plain, &with_controls)) {
    std::printf("present %.1f us without controls, %.1f us with three: ratio %.3f\n", plain,
                with_controls, with_controls / plain);
  }
  return 0;
}
