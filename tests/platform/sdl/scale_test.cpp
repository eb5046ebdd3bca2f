// The picture's whole-factor scale, where it lands, clicks mapped back through
// it, the opening zoom on dense displays, and the keys the window keeps.
#include <gtest/gtest.h>

#include <array>
#include <iterator>

#include "platform/sdl/scale.h"

namespace {

using namespace platform::sdl;

TEST(PictureScale, LargestWholeFactorCentredOnTheOutput) {
  struct Case {
    int ow, oh, cw, ch;
    int fit;  // fitScale
    PictureRect rect;
  };
  const Case cases[] = {
      // The arena on common screens: 1080p holds it twice (height decides),
      // 1440p twice, 4K four times.
      {1920, 1080, 734, 531, 2, {226, 9, 1468, 1062, 2}},
      {2560, 1440, 734, 531, 2, {546, 189, 1468, 1062, 2}},
      {3840, 2160, 734, 531, 4, {452, 18, 2936, 2124, 4}},
      {2560, 1600, 734, 531, 3, {179, 3, 2202, 1593, 3}},
      // Width decides; an odd margin leaves its extra pixel right and below.
      {1000, 2000, 300, 200, 3, {50, 700, 900, 600, 3}},
      {1001, 601, 500, 300, 2, {0, 0, 1000, 600, 2}},
      // A window at its client size, and a zoomed one.
      {734, 531, 734, 531, 1, {0, 0, 734, 531, 1}},
      {1468, 1062, 734, 531, 2, {0, 0, 1468, 1062, 2}},
      // A client larger than the output: shown once, centred, cut.
      {600, 400, 734, 531, 0, {-67, -66, 734, 531, 1}},
      // Empty sizes never divide by zero.
      {1920, 1080, 0, 0, 0, {960, 540, 0, 0, 1}},
      {0, 0, 734, 531, 0, {-367, -266, 734, 531, 1}},
      {1, 1, 1, 1, 1, {0, 0, 1, 1, 1}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    EXPECT_EQ(fitScale(c.ow, c.oh, c.cw, c.ch), c.fit) << "case " << i;
    const PictureRect r = pictureRect(c.ow, c.oh, c.cw, c.ch);
    EXPECT_EQ((std::array<int, 5>{r.x, r.y, r.width, r.height, r.scale}),
              (std::array<int, 5>{c.rect.x, c.rect.y, c.rect.width, c.rect.height, c.rect.scale}))
        << "case " << i;
  }
}

TEST(PictureScale, WindowPointsMapBackToClientPixels) {
  struct Case {
    int x, y, ww, wh, ow, oh, cw, ch;
    int cx, cy;
  };
  const Case cases[] = {
      // 1x: unchanged.
      {0, 0, 734, 531, 734, 531, 734, 531, 0, 0},
      {733, 530, 734, 531, 734, 531, 734, 531, 733, 530},
      // Zoomed 2x: both pixels of a block name the same client pixel.
      {2, 3, 1468, 1062, 1468, 1062, 734, 531, 1, 1},
      {1467, 1061, 1468, 1062, 1468, 1062, 734, 531, 733, 530},
      // Fullscreen 2x on 1080p: the picture starts at (226, 9); the black
      // around it lies outside the client, on either side.
      {226, 9, 1920, 1080, 1920, 1080, 734, 531, 0, 0},
      {227, 10, 1920, 1080, 1920, 1080, 734, 531, 0, 0},
      {1693, 1070, 1920, 1080, 1920, 1080, 734, 531, 733, 530},
      {225, 8, 1920, 1080, 1920, 1080, 734, 531, -1, -1},
      {0, 0, 1920, 1080, 1920, 1080, 734, 531, -113, -5},
      {1694, 1071, 1920, 1080, 1920, 1080, 734, 531, 734, 531},
      // A dense display: points are two pixels each.
      {100, 50, 734, 531, 1468, 1062, 734, 531, 100, 50},
      // Output size not known yet: taken as the window's.
      {10, 20, 734, 531, 0, 0, 734, 531, 10, 20},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    int cx = 0;
    int cy = 0;
    windowToClient(c.x, c.y, c.ww, c.wh, c.ow, c.oh, c.cw, c.ch, &cx, &cy);
    EXPECT_EQ(cx, c.cx) << "case " << i;
    EXPECT_EQ(cy, c.cy) << "case " << i;
  }
}

TEST(PictureScale, OpeningZoomAndZoomSteps) {
  struct Density {
    float dpi;
    int pixels_per_point;
    int zoom;
  };
  const Density densities[] = {
      {0.0f, 1, 1},   {-5.0f, 1, 1},  {96.0f, 1, 1},  {143.0f, 1, 1},
      {144.0f, 1, 2}, {192.0f, 1, 2}, {288.0f, 1, 3}, {192.0f, 2, 1},
      {384.0f, 2, 2}, {96.0f, 0, 1},  {1e9f, 1, 1},
  };
  for (const Density& d : densities) {
    EXPECT_EQ(densityZoom(d.dpi, d.pixels_per_point), d.zoom)
        << d.dpi << " dpi, " << d.pixels_per_point;
  }
  struct Step {
    int zoom, step, max, want;
  };
  const Step steps[] = {{1, 1, 2, 2}, {2, 1, 2, 2},  {2, -1, 2, 1}, {1, -1, 2, 1},
                        {3, 1, 0, 1}, {5, -1, 3, 3}, {1, 1, 4, 2}};
  for (const Step& s : steps) {
    EXPECT_EQ(steppedZoom(s.zoom, s.step, s.max), s.want)
        << s.zoom << " " << s.step << " " << s.max;
  }
}

TEST(PictureScale, KeysTheWindowKeeps) {
  struct Case {
    Uint32 type;
    SDL_Keycode sym;
    Uint16 mod;
    WindowCommand command;
  };
  const Case cases[] = {
      {SDL_KEYDOWN, SDLK_F11, KMOD_NONE, WindowCommand::ToggleFullscreen},
      {SDL_KEYUP, SDLK_F11, KMOD_NONE, WindowCommand::None},
      {SDL_KEYDOWN, SDLK_F11, KMOD_LCTRL, WindowCommand::None},
      {SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT, WindowCommand::ToggleFullscreen},
      {SDL_KEYDOWN, SDLK_KP_ENTER, KMOD_RALT, WindowCommand::ToggleFullscreen},
      {SDL_KEYDOWN, SDLK_RETURN, KMOD_NONE, WindowCommand::None},
      // Ctrl+Alt is AltGr on many layouts: it types, it does not toggle.
      {SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT | KMOD_LCTRL, WindowCommand::None},
      {SDL_KEYDOWN, SDLK_EQUALS, KMOD_LCTRL | KMOD_LSHIFT, WindowCommand::ZoomIn},
      {SDL_KEYDOWN, SDLK_EQUALS, KMOD_RCTRL, WindowCommand::ZoomIn},
      {SDL_KEYDOWN, SDLK_PLUS, KMOD_LCTRL, WindowCommand::ZoomIn},
      {SDL_KEYDOWN, SDLK_KP_PLUS, KMOD_LCTRL, WindowCommand::ZoomIn},
      {SDL_KEYDOWN, SDLK_MINUS, KMOD_LCTRL, WindowCommand::ZoomOut},
      {SDL_KEYDOWN, SDLK_KP_MINUS, KMOD_RCTRL, WindowCommand::ZoomOut},
      {SDL_KEYDOWN, SDLK_MINUS, KMOD_NONE, WindowCommand::None},
      {SDL_KEYDOWN, SDLK_EQUALS, KMOD_LCTRL | KMOD_LALT, WindowCommand::None},
      // The players' keys stay theirs.
      {SDL_KEYDOWN, SDLK_z, KMOD_LCTRL, WindowCommand::None},
      {SDL_KEYDOWN, SDLK_x, KMOD_NONE, WindowCommand::None},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SDL_Event e{};
    e.type = cases[i].type;
    e.key.type = cases[i].type;
    e.key.keysym.sym = cases[i].sym;
    e.key.keysym.mod = cases[i].mod;
    EXPECT_EQ(windowCommandOf(e.key), cases[i].command) << "case " << i;
  }
}

}  // namespace
