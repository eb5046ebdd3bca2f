#include "platform/sdl/scale.h"

namespace platform::sdl {

namespace {

// Rounds towards minus infinity, so that a point left of the picture maps
// left of the client's first column.
int floorDiv(long long a, long long b) {
  long long q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return static_cast<int>(q);
}

}  // namespace

int fitScale(int ow, int oh, int cw, int ch) {
  if (ow <= 0 || oh <= 0 || cw <= 0 || ch <= 0) return 0;
  const int sx = ow / cw;
  const int sy = oh / ch;
  return sx < sy ? sx : sy;
}

PictureRect pictureRect(int ow, int oh, int cw, int ch) {
  PictureRect p;
  const int fit = fitScale(ow, oh, cw, ch);
  p.scale = fit > 0 ? fit : 1;
  const int w = cw > 0 ? cw : 0;
  const int h = ch > 0 ? ch : 0;
  p.width = w * p.scale;
  p.height = h * p.scale;
  // Halves rounded down: an odd margin leaves the extra pixel right and below.
  p.x = floorDiv(static_cast<long long>(ow > 0 ? ow : 0) - p.width, 2);
  p.y = floorDiv(static_cast<long long>(oh > 0 ? oh : 0) - p.height, 2);
  return p;
}

void windowToClient(int x, int y, int ww, int wh, int ow, int oh, int cw, int ch, int* cx,
                    int* cy) {
  // Window coordinates to output pixels (they differ on high-density displays).
  long long px = x;
  long long py = y;
  if (ow <= 0 || oh <= 0) {  // output not known yet: as large as the window
    ow = ww;
    oh = wh;
  }
  if (ww > 0 && wh > 0 && ow > 0 && oh > 0) {
    px = static_cast<long long>(x) * ow / ww;
    py = static_cast<long long>(y) * oh / wh;
  }
  const PictureRect p = pictureRect(ow, oh, cw, ch);
  *cx = floorDiv(px - p.x, p.scale);
  *cy = floorDiv(py - p.y, p.scale);
}

int densityZoom(float dpi, int pixels_per_point) {
  if (!(dpi > 0.0f) || dpi > 10000.0f) return 1;
  const int ppp = pixels_per_point > 0 ? pixels_per_point : 1;
  // Nearest whole multiple of 96 dpi, of which the window system already
  // gives `ppp` through its own point size.
  const int zoom = (static_cast<int>(dpi + 48.0f) / 96) / ppp;
  return zoom > 1 ? zoom : 1;
}

int steppedZoom(int zoom, int step, int max_zoom) {
  const int top = max_zoom > 1 ? max_zoom : 1;
  int z = zoom + (step > 0 ? 1 : step < 0 ? -1 : 0);
  if (z > top) z = top;
  if (z < 1) z = 1;
  return z;
}

WindowCommand windowCommandOf(const SDL_KeyboardEvent& key) {
  if (key.type != SDL_KEYDOWN) return WindowCommand::None;
  const SDL_Keycode sym = key.keysym.sym;
  const bool ctrl = (key.keysym.mod & KMOD_CTRL) != 0;
  const bool alt = (key.keysym.mod & KMOD_ALT) != 0;
  if (sym == SDLK_F11 && !ctrl && !alt) return WindowCommand::ToggleFullscreen;
  if ((sym == SDLK_RETURN || sym == SDLK_KP_ENTER) && alt && !ctrl) {
    return WindowCommand::ToggleFullscreen;
  }
  if (ctrl && !alt) {
    // Plus is Shift+= on most layouts; SDL names the key by its unshifted symbol.
    if (sym == SDLK_EQUALS || sym == SDLK_PLUS || sym == SDLK_KP_PLUS) return WindowCommand::ZoomIn;
    if (sym == SDLK_MINUS || sym == SDLK_KP_MINUS) return WindowCommand::ZoomOut;
  }
  return WindowCommand::None;
}

}  // namespace platform::sdl
