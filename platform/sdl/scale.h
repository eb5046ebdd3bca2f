// How the SDL backend shows the client area on a window of another size: by
// the largest whole factor that fits, nearest neighbour, centred on black, so
// that the program's pixels stay sharp. Zoom and fullscreen change only this
// picture; the client size the program sees stays. Pure functions, tested
// without a display.
#pragma once

#include <SDL.h>

namespace platform::sdl {

// Where the client area lands on an output (renderer pixels), and at what
// whole factor. `scale` is at least 1: a client larger than the output is
// shown at 1, centred and cut.
struct PictureRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int scale = 1;
};

// The largest whole factor at which a client of cw x ch fits an output of
// ow x oh; 0 when it does not fit even once or either size is empty.
int fitScale(int ow, int oh, int cw, int ch);

// The client's picture on the output, centred.
PictureRect pictureRect(int ow, int oh, int cw, int ch);

// A point of the window (SDL's window coordinates, ww x wh) as a client
// position, through the output size and the picture: points on the black
// around the picture give positions outside the client.
void windowToClient(int x, int y, int ww, int wh, int ow, int oh, int cw, int ch, int* cx, int* cy);

// The zoom a window opens at on a display of `dpi` dots per inch whose
// window coordinates are `pixels_per_point` output pixels each: the size a
// 96-dpi display shows, in whole steps; 1 when the density is unknown.
int densityZoom(float dpi, int pixels_per_point);

// One zoom step (+1 or -1) from `zoom`, kept within 1..max_zoom (max_zoom
// below 1 counts as 1).
int steppedZoom(int zoom, int step, int max_zoom);

// Keys the backend keeps for itself: F11 and Alt+Enter toggle fullscreen,
// Ctrl+Plus and Ctrl+Minus zoom the window.
enum class WindowCommand { None, ToggleFullscreen, ZoomIn, ZoomOut };
WindowCommand windowCommandOf(const SDL_KeyboardEvent& key);

}  // namespace platform::sdl
