// Child controls in the SDL backend: drawn over the window's picture at every
// present, each from a texture of its look that is made again only when the
// control changes, with text rendered by SDL2_ttf in a packaged fixed-pitch
// font only when the text itself changes.
#pragma once

#include <SDL.h>

#include "platform/core/core.h"

namespace platform::sdl {

// Draws the visible controls of a top-level window whose client area is
// client_width x client_height pixels onto the renderer, where the client's
// picture covers `picture` (output pixels, a whole multiple of the client).
void drawControls(SDL_Renderer* renderer, HWND top, int client_width, int client_height,
                  const SDL_Rect& picture);
// Drops every texture made for a window's controls (before its renderer goes).
void dropControlTextures(SDL_Renderer* renderer);

}  // namespace platform::sdl
