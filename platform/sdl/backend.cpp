// The backend the shipped program links: SDL2 windows, SDL events as window
// messages, 8-bit frames converted straight into a streaming texture and shown
// at a whole zoom factor, game controllers' input (their devices are
// pad_devices.cpp's) as the players' mouse buttons and keys, SDL message
// boxes, and the monotonic clock.
#include <SDL.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/core/core.h"
#include "platform/sdl/controls.h"
#include "platform/sdl/pad_devices.h"
#include "platform/sdl/scale.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/translate.h"

namespace platform::sdl {
namespace {

constexpr int MAX_NATIVE_WINDOWS = 8;
constexpr std::uint32_t OPAQUE_BLACK = 0xFF000000u;

struct NativeWindow {
  HWND hwnd = nullptr;
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int texture_width = 0;
  int texture_height = 0;
  bool dirty = false;  // the texture holds pixels not yet presented
  WindowView view;     // translation state (pending resizes, zoom, fullscreen)
  int windowed_x = 0;  // where the window was before fullscreen
  int windowed_y = 0;
};

struct Backend {
  bool video_ready = false;
  bool video_failed = false;
  NativeWindow windows[MAX_NATIVE_WINDOWS];
  PaletteCache palette;
  PresentObserver observer = nullptr;
};

Backend g_backend;

std::int64_t monotonicNanoseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

bool ensureVideo() {
  if (g_backend.video_ready) return true;
  if (g_backend.video_failed) return false;
  // Windows does not capture the mouse for a window unless it asks; neither
  // do we. Ctrl+C should end the process as it does any other program, and
  // the frame pacer, not the display, sets the frame rate.
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "Cannot open a window: %s\n", SDL_GetError());
    g_backend.video_failed = true;
    return false;
  }
  // Where no window system answers, SDL falls back to drivers that draw into
  // memory; a window nobody can see is no window, unless asked for by name.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* wanted = SDL_getenv("SDL_VIDEODRIVER");
  if (driver != nullptr &&
      (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) &&
      (wanted == nullptr || std::strcmp(wanted, driver) != 0)) {
    std::fprintf(stderr, "Cannot open a window: no display (DISPLAY is not set)\n");
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    g_backend.video_failed = true;
    return false;
  }
  // Keys arrive as key events only; no text input method is wanted.
  SDL_StopTextInput();
  g_backend.video_ready = true;
  startControllers();
  return true;
}

NativeWindow* nativeOf(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  for (auto& w : g_backend.windows) {
    if (w.hwnd == hwnd) return &w;
  }
  return nullptr;
}

NativeWindow* nativeById(std::uint32_t id) {
  if (id == 0) return nullptr;
  for (auto& w : g_backend.windows) {
    if (w.window != nullptr && SDL_GetWindowID(w.window) == id) return &w;
  }
  return nullptr;
}

void refreshView(NativeWindow& w) {
  WindowView& v = w.view;
  v.hwnd = w.hwnd;
  windowClientSize(w.hwnd, &v.client_width, &v.client_height);
  SDL_GetWindowSize(w.window, &v.window_width, &v.window_height);
  SDL_GetRendererOutputSize(w.renderer, &v.output_width, &v.output_height);
  v.maximised = (SDL_GetWindowFlags(w.window) & SDL_WINDOW_MAXIMIZED) != 0;
}

// Keeps the texture at the core's client size; a new texture starts black.
// Returns false when there is nothing to draw on.
bool ensureTexture(NativeWindow& w) {
  int cw = 0;
  int ch = 0;
  if (!windowClientSize(w.hwnd, &cw, &ch) || cw <= 0 || ch <= 0) return false;
  if (w.texture != nullptr && w.texture_width == cw && w.texture_height == ch) return true;
  if (w.texture != nullptr) SDL_DestroyTexture(w.texture);
  w.texture =
      SDL_CreateTexture(w.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, cw, ch);
  w.texture_width = 0;
  w.texture_height = 0;
  if (w.texture == nullptr) return false;
  SDL_SetTextureBlendMode(w.texture, SDL_BLENDMODE_NONE);
  // Whole factors, pixel for pixel: never smoothed, whatever the environment asks.
  SDL_SetTextureScaleMode(w.texture, SDL_ScaleModeNearest);
  void* pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(w.texture, nullptr, &pixels, &pitch) == 0) {
    for (int y = 0; y < ch; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(pixels) +
                                                   static_cast<std::ptrdiff_t>(y) * pitch);
      for (int x = 0; x < cw; ++x) row[x] = OPAQUE_BLACK;
    }
    SDL_UnlockTexture(w.texture);
  }
  w.texture_width = cw;
  w.texture_height = ch;
  w.dirty = true;
  return true;
}

// The client's picture at the largest whole factor the output holds, centred
// on black.
void present(NativeWindow& w) {
  int cw = 0;
  int ch = 0;
  windowClientSize(w.hwnd, &cw, &ch);
  int ow = 0;
  int oh = 0;
  SDL_GetRendererOutputSize(w.renderer, &ow, &oh);
  const PictureRect p = pictureRect(ow, oh, cw, ch);
  const SDL_Rect dst{p.x, p.y, p.width, p.height};
  SDL_SetRenderDrawColor(w.renderer, 0, 0, 0, 255);
  if (w.texture == nullptr) {
    SDL_RenderClear(w.renderer);
  } else if (p.x > 0 || p.y > 0 || p.width < ow || p.height < oh) {
    // Only the margins: a fullscreen output is several pictures' worth of pixels.
    const int right = p.x + p.width;
    const int bottom = p.y + p.height;
    const SDL_Rect margins[4] = {{0, 0, ow, p.y},
                                 {0, bottom, ow, oh - bottom},
                                 {0, p.y, p.x, p.height},
                                 {right, p.y, ow - right, p.height}};
    SDL_Rect bars[4];
    int n = 0;
    for (const SDL_Rect& m : margins) {
      if (m.w > 0 && m.h > 0) bars[n++] = m;
    }
    SDL_RenderFillRects(w.renderer, bars, n);
  }
  if (w.texture != nullptr) SDL_RenderCopy(w.renderer, w.texture, nullptr, &dst);
  drawControls(w.renderer, w.hwnd, cw, ch, dst);
  SDL_RenderPresent(w.renderer);
  w.dirty = false;
}

// Asks the window system for the window size of the client at the zoom; the
// report that comes back is not a change of the client.
void requestWindowSize(NativeWindow& w, int cw, int ch) {
  const int zoom = w.view.zoom > 1 ? w.view.zoom : 1;
  const int width = (cw > 0 ? cw : 1) * zoom;
  const int height = (ch > 0 ? ch : 1) * zoom;
  w.view.resize_pending = true;
  w.view.pending_width = width;
  w.view.pending_height = height;
  w.view.pending_since = SDL_GetTicks();
  SDL_SetWindowSize(w.window, width, height);
}

void requestWindowSize(NativeWindow& w) {
  int cw = 0;
  int ch = 0;
  windowClientSize(w.hwnd, &cw, &ch);
  requestWindowSize(w, cw, ch);
}

// The largest zoom at which the window fits the usable part of its display.
int maxZoom(NativeWindow& w) {
  int cw = 0;
  int ch = 0;
  windowClientSize(w.hwnd, &cw, &ch);
  SDL_Rect usable{};
  const int display = SDL_GetWindowDisplayIndex(w.window);
  if (display < 0 || SDL_GetDisplayUsableBounds(display, &usable) != 0) return 1;
  return fitScale(usable.w, usable.h, cw > 0 ? cw : 1, ch > 0 ? ch : 1);
}

bool applyFullscreen(NativeWindow& w, bool on) {
  if (on == w.view.fullscreen) return true;
  if (on) {
    SDL_GetWindowPosition(w.window, &w.windowed_x, &w.windowed_y);
    if (SDL_SetWindowFullscreen(w.window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
      std::fprintf(stderr, "Cannot go fullscreen: %s\n", SDL_GetError());
      return false;
    }
    w.view.fullscreen = true;
  } else {
    SDL_SetWindowFullscreen(w.window, 0);
    w.view.fullscreen = false;
    // Without a window manager nobody else puts the window back.
    requestWindowSize(w);
    SDL_SetWindowPosition(w.window, w.windowed_x, w.windowed_y);
  }
  w.dirty = true;
  return true;
}

// A zoom above 1 must fit the display; 1 is always there to return to.
bool applyZoom(NativeWindow& w, int zoom) {
  if (w.view.fullscreen || zoom < 1 || (zoom > 1 && zoom > maxZoom(w))) return false;
  if (zoom != w.view.zoom) {
    w.view.zoom = zoom;
    requestWindowSize(w);
    w.dirty = true;
  }
  return true;
}

void applyCommand(NativeWindow& w, WindowCommand command) {
  switch (command) {
    case WindowCommand::ToggleFullscreen:
      applyFullscreen(w, !w.view.fullscreen);
      break;
    case WindowCommand::ZoomIn:
    case WindowCommand::ZoomOut:
      applyZoom(w, steppedZoom(w.view.zoom, command == WindowCommand::ZoomIn ? 1 : -1, maxZoom(w)));
      break;
    case WindowCommand::None:
      break;
  }
}

// Controller input as the main window's mouse buttons and keys; a button
// carries the pointer's client position, as a mouse click would.
void deliverPadEvents(NativeEvent* events, int n) {
  const HWND top = topLevelWindow();
  NativeWindow* w = nativeOf(top);
  if (w == nullptr) return;
  int x = 0;
  int y = 0;
  if (SDL_GetMouseFocus() == w->window) {
    int mx = 0;
    int my = 0;
    SDL_GetMouseState(&mx, &my);
    refreshView(*w);
    const WindowView& v = w->view;
    windowToClient(mx, my, v.window_width, v.window_height, v.output_width, v.output_height,
                   v.client_width, v.client_height, &x, &y);
  }
  for (int i = 0; i < n; ++i) {
    events[i].window = top;
    events[i].x = x;
    events[i].y = y;
    deliverNativeEvent(events[i]);
  }
}

}  // namespace

void setPresentObserver(PresentObserver observer) { g_backend.observer = observer; }

bool setFullscreen(HWND hwnd, bool on) {
  NativeWindow* w = nativeOf(hwnd);
  return w != nullptr && applyFullscreen(*w, on);
}

bool setZoom(HWND hwnd, int zoom) {
  NativeWindow* w = nativeOf(hwnd);
  return w != nullptr && applyZoom(*w, zoom);
}

const char* rendererName() {
  for (auto& w : g_backend.windows) {
    SDL_RendererInfo info{};
    if (w.renderer != nullptr && SDL_GetRendererInfo(w.renderer, &info) == 0) return info.name;
  }
  return nullptr;
}

}  // namespace platform::sdl

namespace platform::backend {

using sdl::g_backend;
using sdl::NativeWindow;

bool createWindow(HWND hwnd, const char* title, int client_width, int client_height,
                  bool resizable) {
  if (!sdl::ensureVideo()) return false;
  NativeWindow* slot = nullptr;
  for (auto& w : g_backend.windows) {
    if (w.hwnd == nullptr) {
      slot = &w;
      break;
    }
  }
  if (slot == nullptr) return false;
  const int width = client_width > 0 ? client_width : 1;
  const int height = client_height > 0 ? client_height : 1;
  SDL_Window* window = SDL_CreateWindow(
      title != nullptr ? title : "", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
      height,
      SDL_WINDOW_HIDDEN | (resizable ? SDL_WINDOW_RESIZABLE : 0) | SDL_WINDOW_ALLOW_HIGHDPI);
  if (window == nullptr) {
    std::fprintf(stderr, "Cannot create a window: %s\n", SDL_GetError());
    return false;
  }
  // Accelerated where possible, SDL's software renderer otherwise; never
  // synchronised with the display.
  SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
  if (renderer == nullptr) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
  if (renderer == nullptr) {
    std::fprintf(stderr, "Cannot draw into a window: %s\n", SDL_GetError());
    SDL_DestroyWindow(window);
    return false;
  }
  *slot = NativeWindow{};
  slot->hwnd = hwnd;
  slot->window = window;
  slot->renderer = renderer;
  // On a high-density display the window opens at the zoom that shows it at
  // the size a 96-dpi display would, as far as the display holds it.
  float dpi = 0;
  int points = 0;
  int pixels = 0;
  SDL_Rect usable{};
  SDL_GetWindowSize(window, &points, nullptr);
  SDL_GetRendererOutputSize(renderer, &pixels, nullptr);
  const int display = SDL_GetWindowDisplayIndex(window);
  if (display >= 0 && points > 0 && SDL_GetDisplayDPI(display, &dpi, nullptr, nullptr) == 0 &&
      SDL_GetDisplayUsableBounds(display, &usable) == 0) {
    int zoom = sdl::densityZoom(dpi, pixels / points);
    const int fit = sdl::fitScale(usable.w, usable.h, width, height);
    if (zoom > fit) zoom = fit;
    if (zoom > 1) {
      slot->view.zoom = zoom;
      sdl::requestWindowSize(*slot, width, height);
    }
  }
  return true;
}

void destroyWindow(HWND hwnd) {
  NativeWindow* w = sdl::nativeOf(hwnd);
  if (w == nullptr) return;
  if (w->texture != nullptr) SDL_DestroyTexture(w->texture);
  sdl::dropControlTextures(w->renderer);
  SDL_DestroyRenderer(w->renderer);
  SDL_DestroyWindow(w->window);
  *w = NativeWindow{};
}

void showWindow(HWND hwnd, bool visible) {
  NativeWindow* w = sdl::nativeOf(hwnd);
  if (w == nullptr) return;
  if (visible) {
    SDL_ShowWindow(w->window);
  } else {
    SDL_HideWindow(w->window);
  }
}

void setWindowTitle(HWND hwnd, const char* title) {
  if (NativeWindow* w = sdl::nativeOf(hwnd)) SDL_SetWindowTitle(w->window, title);
}

void resizeWindow(HWND hwnd, int client_width, int client_height) {
  NativeWindow* w = sdl::nativeOf(hwnd);
  if (w == nullptr) return;
  // The core already has the new size; the window system's report of it
  // (and of any earlier request) must not come back as another WM_SIZE. In
  // fullscreen only the picture's scale follows.
  if (w->view.fullscreen) {
    w->dirty = true;
  } else {
    sdl::requestWindowSize(*w, client_width, client_height);
  }
}

void pumpEvents() {
  if (!g_backend.video_ready) return;
  SDL_Event e;
  while (SDL_PollEvent(&e) != 0) {
    if (sdl::handlePadEvent(e, sdl::deliverPadEvents)) continue;
    NativeWindow* w = sdl::nativeById(sdl::eventWindowId(e));
    sdl::WindowView* view = nullptr;
    if (w != nullptr) {
      // Zoom and fullscreen keys are the window's, not the program's.
      if (e.type == SDL_KEYDOWN) {
        const sdl::WindowCommand command = sdl::windowCommandOf(e.key);
        if (command != sdl::WindowCommand::None) {
          if (e.key.repeat == 0) sdl::applyCommand(*w, command);
          continue;
        }
      }
      // A new window size shows the same picture at its new scale.
      if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        w->dirty = true;
      }
      sdl::refreshView(*w);
      view = &w->view;
    }
    NativeEvent out[sdl::MAX_TRANSLATED];
    const int n = sdl::translateEvent(e, view, out);
    // Delivery may destroy the window (WM_CLOSE), so nothing of `w` is used
    // after this point.
    for (int i = 0; i < n; ++i) deliverNativeEvent(out[i]);
  }
  // A background erased without a following blit still has to be seen.
  for (auto& w : g_backend.windows) {
    if (w.hwnd != nullptr && w.dirty) sdl::present(w);
  }
}

void presentIndexed(HWND hwnd, int x, int y, const IndexedBlit& blit) {
  NativeWindow* w = sdl::nativeOf(hwnd);
  if (w == nullptr) return;
  if (g_backend.observer != nullptr) {
    std::int64_t now = 0;
    readCounter(&now);
    g_backend.observer(now);
  }
  if (!sdl::ensureTexture(*w)) return;
  if (x < 0 || y < 0 || blit.width <= 0 || blit.height <= 0 || x + blit.width > w->texture_width ||
      y + blit.height > w->texture_height) {
    return;
  }
  const SDL_Rect rect{x, y, blit.width, blit.height};
  void* pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(w->texture, &rect, &pixels, &pitch) != 0) return;
  sdl::convertBlit(blit, g_backend.palette, pixels, pitch);
  SDL_UnlockTexture(w->texture);
  sdl::present(*w);
}

void fillRect(HWND hwnd, const RECT& rect, std::uint32_t rgb) {
  NativeWindow* w = sdl::nativeOf(hwnd);
  if (w == nullptr || !sdl::ensureTexture(*w)) return;
  const int left = rect.left < 0 ? 0 : rect.left;
  const int top = rect.top < 0 ? 0 : rect.top;
  const int right = rect.right > w->texture_width ? w->texture_width : rect.right;
  const int bottom = rect.bottom > w->texture_height ? w->texture_height : rect.bottom;
  if (right <= left || bottom <= top) return;
  const SDL_Rect area{left, top, right - left, bottom - top};
  void* pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(w->texture, &area, &pixels, &pitch) != 0) return;
  const std::uint32_t argb = sdl::OPAQUE_BLACK | (rgb & 0xFFFFFFu);
  for (int r = 0; r < area.h; ++r) {
    auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(pixels) +
                                                 static_cast<std::ptrdiff_t>(r) * pitch);
    for (int c = 0; c < area.w; ++c) row[c] = argb;
  }
  SDL_UnlockTexture(w->texture);
  // Shown with the next present: an erase is normally followed by a blit in
  // the same paint, and showing both would flicker.
  w->dirty = true;
}

void controlChanged(HWND top) {
  if (NativeWindow* w = sdl::nativeOf(top)) w->dirty = true;
}

int messageBox(const char* text, const char* caption, UINT style) {
  SDL_Window* parent = nullptr;
  if (NativeWindow* w = sdl::nativeOf(topLevelWindow())) parent = w->window;
  SDL_MessageBoxButtonData buttons[3];
  SDL_MessageBoxData data;
  sdl::describeMessageBox(text, caption, style, parent, buttons, &data);
  int answer = -1;
  if (SDL_ShowMessageBox(&data, &answer) == 0) {
    if (answer != -1) return answer;
    // Closed without a button: the Escape answer where there is one.
    for (int i = 0; i < data.numbuttons; ++i) {
      if ((buttons[i].flags & SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT) != 0) {
        return buttons[i].buttonid;
      }
    }
    return sdl::unshownMessageBoxAnswer(style);
  }
  std::fprintf(stderr, "%s: %s\n(no message box could be shown: %s)\n", caption, text,
               SDL_GetError());
  std::fflush(stderr);
  return sdl::unshownMessageBoxAnswer(style);
}

std::int64_t counterFrequency() { return 1'000'000'000; }

bool readCounter(std::int64_t* value) {
  *value = sdl::monotonicNanoseconds();
  return true;
}

void sleepMilliseconds(DWORD ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1'000'000};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

bool timerCaps(UINT* period_min, UINT* period_max) {
  *period_min = 1;
  *period_max = 1'000'000;
  return true;
}

void endProcess(UINT code) {
  std::fflush(stdout);
  std::fflush(stderr);
  _exit(static_cast<int>(code & 0xFFu));
}

}  // namespace platform::backend
