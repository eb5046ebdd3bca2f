// The display-free half of the SDL backend: SDL events to native events, key
// codes to virtual-key codes, the message-box description, and the conversion
// of 8-bit frames into locked texture memory. Kept apart from the code that
// talks to SDL so that it can be tested without a window system.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "platform/core/core.h"

namespace platform::sdl {

// What translation needs to know about the window an event belongs to.
struct WindowView {
  HWND hwnd = nullptr;
  int client_width = 0;  // the client size the core believes in
  int client_height = 0;
  int window_width = 0;  // SDL's idea of the window size right now
  int window_height = 0;
  bool maximised = false;  // SDL reports the window maximised
  int output_width = 0;    // the renderer's output in pixels (window size, or more on
  int output_height = 0;   // high-density displays)
  // The picture's zoom: in a window the window is the client times `zoom`;
  // in fullscreen the window is the screen. Neither changes the client size:
  // window sizes are divided by the zoom, and ignored in fullscreen.
  int zoom = 1;
  bool fullscreen = false;
  // A window size the backend asked for (the program's MoveWindow, a zoom, the
  // return from fullscreen) that the window system has not
  // reported back yet. Reports of other sizes within RESIZE_ECHO_MS of the
  // request are late echoes of earlier requests, not changes made by the user.
  bool resize_pending = false;
  int pending_width = 0;
  int pending_height = 0;
  std::uint32_t pending_since = 0;  // SDL ticks, ms
};

inline constexpr int MAX_TRANSLATED = 2;
inline constexpr std::uint32_t RESIZE_ECHO_MS = 500;

// The virtual-key code for a key, or 0 when Windows has none for it. The key
// code (layout-aware) decides; the scan code stands in for letters and digits
// that the layout maps to characters outside ASCII.
UINT virtualKeyOf(SDL_Keycode key, SDL_Scancode scancode);

// The SDL window id an event is addressed to, 0 when it names none.
std::uint32_t eventWindowId(const SDL_Event& e);

// Turns one SDL event into at most MAX_TRANSLATED native events; returns how
// many. `view` may be null (no native window known for the event); it is
// updated when a pending program resize is settled.
int translateEvent(const SDL_Event& e, WindowView* view, NativeEvent out[MAX_TRANSLATED]);

// A message box as SDL shows it. `buttons` must hold 3 entries.
void describeMessageBox(const char* text, const char* caption, UINT style, SDL_Window* parent,
                        SDL_MessageBoxButtonData buttons[3], SDL_MessageBoxData* data);
// The answer when no box can be shown: No for Yes/No, Cancel for OK/Cancel.
int unshownMessageBoxAnswer(UINT style);

// The palette lookup table used by presents, copied from a blit only when its
// palette version differs from the one held.
class PaletteCache {
 public:
  const std::uint32_t* lutFor(const IndexedBlit& blit);
  int rebuilds() const { return rebuilds_; }

 private:
  bool valid_ = false;
  std::uint64_t version_ = 0;
  int rebuilds_ = 0;
  std::uint32_t lut_[256] = {};
};

// Converts a blit into locked ARGB8888 memory whose first byte is the
// destination of the blit's top-left pixel; `pitch` is the byte distance of
// destination rows.
void convertBlit(const IndexedBlit& blit, PaletteCache& cache, void* pixels, int pitch);

}  // namespace platform::sdl
