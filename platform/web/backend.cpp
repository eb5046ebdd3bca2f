// The backend of the browser build: the arena is a canvas of the page, DOM
// events become native events, frames are put on the canvas through the
// palette table, report boxes are HTML dialogs, and the counter is the page's
// clock. The program's loop blocks as a Windows program's does; the page gets
// control back (Asyncify) inside the platform calls that loop makes while it
// waits: every counter read, the message pump when nothing else has given the
// page a turn for a while, Sleep, and a report box until it is answered. The
// page's side is platform/web/library.js.
#include <emscripten.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/core/core.h"
#include "platform/web/translate.h"

extern "C" {
// platform/web/library.js
int starquell_web_create_canvas(const char* title, int width, int height);
void starquell_web_show(int visible);
void starquell_web_set_title(const char* title);
void starquell_web_resize(int width, int height);
void starquell_web_yield();
int starquell_web_next_event(platform::web::DomEvent* out);
void starquell_web_put(const void* rgba, int x, int y, int width, int height);
void starquell_web_fill(int x, int y, int width, int height, unsigned rgb);
int starquell_web_message_box(const char* text, const char* caption, const char* icon, int count,
                              const platform::web::BoxButton* buttons, int escape_id);
}

namespace platform::web {
namespace {

// The counter: the page's clock in microseconds.
constexpr std::int64_t COUNTER_FREQUENCY = 1'000'000;
// The pump gives the page a turn when nothing else has for this long, so that
// a loop that never waits on the counter still lets the page draw and deliver
// input.
constexpr double PUMP_YIELD_MS = 4.0;

struct Backend {
  HWND hwnd = nullptr;  // the one top-level window: the arena
  int width = 0;        // the canvas's pixels
  int height = 0;
  bool lut_valid = false;
  std::uint64_t lut_version = 0;
  std::uint32_t lut[256] = {};
  std::uint32_t* rgba = nullptr;  // conversion buffer of rgba_pixels pixels
  std::size_t rgba_pixels = 0;
  double last_yield_ms = 0;
};

Backend g_web;

void yieldToPage() {
  starquell_web_yield();
  g_web.last_yield_ms = emscripten_get_now();
}

}  // namespace
}  // namespace platform::web

namespace platform::backend {

using web::g_web;

bool createWindow(HWND hwnd, const char* title, int client_width, int client_height,
                  bool /*resizable*/) {
  if (g_web.hwnd != nullptr) return false;  // the page has one arena
  const int width = client_width > 0 ? client_width : 1;
  const int height = client_height > 0 ? client_height : 1;
  if (starquell_web_create_canvas(title != nullptr ? title : "", width, height) == 0) return false;
  g_web.hwnd = hwnd;
  g_web.width = width;
  g_web.height = height;
  return true;
}

void destroyWindow(HWND hwnd) {
  if (hwnd == nullptr || hwnd != g_web.hwnd) return;
  starquell_web_show(0);
  g_web.hwnd = nullptr;
}

void showWindow(HWND hwnd, bool visible) {
  if (hwnd != nullptr && hwnd == g_web.hwnd) starquell_web_show(visible ? 1 : 0);
}

void setWindowTitle(HWND hwnd, const char* title) {
  if (hwnd != nullptr && hwnd == g_web.hwnd) starquell_web_set_title(title != nullptr ? title : "");
}

void resizeWindow(HWND hwnd, int client_width, int client_height) {
  if (hwnd == nullptr || hwnd != g_web.hwnd) return;
  g_web.width = client_width > 0 ? client_width : 1;
  g_web.height = client_height > 0 ? client_height : 1;
  starquell_web_resize(g_web.width, g_web.height);
}

void pumpEvents() {
  if (emscripten_get_now() - g_web.last_yield_ms >= web::PUMP_YIELD_MS) web::yieldToPage();
  web::DomEvent e;
  while (starquell_web_next_event(&e) != 0) {
    if (g_web.hwnd == nullptr) continue;
    web::ArenaView view;
    view.hwnd = g_web.hwnd;
    windowClientSize(g_web.hwnd, &view.client_width, &view.client_height);
    NativeEvent out;
    if (web::translateDomEvent(e, view, &out) == 1) deliverNativeEvent(out);
  }
}

void presentIndexed(HWND hwnd, int x, int y, const IndexedBlit& blit) {
  if (hwnd == nullptr || hwnd != g_web.hwnd) return;
  if (x < 0 || y < 0 || blit.width <= 0 || blit.height <= 0 || x + blit.width > g_web.width ||
      y + blit.height > g_web.height) {
    return;
  }
  const std::size_t pixels = static_cast<std::size_t>(blit.width) * blit.height;
  if (pixels > g_web.rgba_pixels) {
    // Grows with the largest picture seen; frames of that size allocate nothing.
    auto* grown = static_cast<std::uint32_t*>(std::realloc(g_web.rgba, pixels * 4));
    if (grown == nullptr) return;
    g_web.rgba = grown;
    g_web.rgba_pixels = pixels;
  }
  if (!g_web.lut_valid || g_web.lut_version != blit.lut_version) {
    web::canvasLut(blit.lut, g_web.lut);
    g_web.lut_version = blit.lut_version;
    g_web.lut_valid = true;
  }
  convertIndexedRows(blit.top_row, blit.row_step, blit.width, blit.height, g_web.lut, g_web.rgba,
                     blit.width);
  starquell_web_put(g_web.rgba, x, y, blit.width, blit.height);
}

void fillRect(HWND hwnd, const RECT& rect, std::uint32_t rgb) {
  if (hwnd == nullptr || hwnd != g_web.hwnd) return;
  const int left = rect.left < 0 ? 0 : rect.left;
  const int top = rect.top < 0 ? 0 : rect.top;
  const int right = rect.right > g_web.width ? g_web.width : rect.right;
  const int bottom = rect.bottom > g_web.height ? g_web.height : rect.bottom;
  if (right <= left || bottom <= top) return;
  starquell_web_fill(left, top, right - left, bottom - top, rgb & 0xFFFFFFu);
}

// The page draws no child controls; the toolkit's models still work.
void controlChanged(HWND /*top*/) {}

int messageBox(const char* text, const char* caption, UINT style) {
  web::BoxButton buttons[web::MAX_BOX_BUTTONS];
  int escape_id = 0;
  const int count = web::describeBox(style, buttons, &escape_id);
  const int answer =
      starquell_web_message_box(text, caption, web::boxIcon(style), count, buttons, escape_id);
  g_web.last_yield_ms = emscripten_get_now();
  return answer;
}

// The page has no file chooser the program could wait on.
void chooseOpenFile(HWND /*owner*/, const char* /*title*/, const char* /*filter*/,
                    const char* /*initial_dir*/, FileChoice* out) {
  *out = FileChoice{};
  out->result = FileChoice::Result::Failed;
  out->error = CDERR_DIALOGFAILURE;
}

std::int64_t counterFrequency() { return web::COUNTER_FREQUENCY; }

bool readCounter(std::int64_t* value) {
  // The frame wait reads the counter until the frame is due: each read lets
  // the page draw and take input meanwhile.
  web::yieldToPage();
  *value = static_cast<std::int64_t>(std::llround(g_web.last_yield_ms * 1000.0));
  return true;
}

void sleepMilliseconds(DWORD ms) {
  emscripten_sleep(ms);
  g_web.last_yield_ms = emscripten_get_now();
}

bool timerCaps(UINT* period_min, UINT* period_max) {
  *period_min = 1;
  *period_max = 1'000'000;
  return true;
}

void endProcess(UINT code) {
  std::fflush(stdout);
  std::fflush(stderr);
  // The page shows the status and the program's stack is dropped.
  _exit(static_cast<int>(code & 0xFFu));
}

}  // namespace platform::backend
