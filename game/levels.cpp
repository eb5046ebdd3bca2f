#include "game/levels.h"

#include <algorithm>
#include <cstring>

#include "game/game_state.h"
#include "game/helpers.h"
#include "shell/shell_globals.h"

namespace {

void fill(const PixelView& p, std::int64_t first, std::int64_t count, ColourIndex colour) {
  std::memset(p.base + first, colour, static_cast<std::size_t>(count));
}

// Level 0: the first half of the memory in A, the second in B; the middle byte ends as B.
void paintHalves(const PixelView& p, ColourIndex a, ColourIndex b) {
  const std::int64_t mid = (p.size - 1) >> 1;
  fill(p, 0, mid, a);
  fill(p, mid, p.size - mid, b);
}

// Level 1: bands of k bytes, B first, switching every k bytes.
bool paintBands(const PixelView& p, ColourIndex a, ColourIndex b) {
  const std::int64_t k = (p.size - 1) / 10;
  if (k <= 0) return false;
  bool use_b = true;
  for (std::int64_t i = 0; i < p.size; i += k, use_b = !use_b) {
    fill(p, i, std::min(k, p.size - i), use_b ? b : a);
  }
  return true;
}

// Levels 2 and 3: every row from its first byte to the next row's, A for k
// columns, then B for k, and so on, bytes beyond the width included. All rows
// are alike: the first is painted, then copied in doubling blocks.
void paintStripes(const PixelView& p, std::int64_t k, ColourIndex a, ColourIndex b) {
  const std::int64_t row = std::min<std::int64_t>(p.stride, p.size);
  bool use_a = true;
  for (std::int64_t i = 0; i < row; i += k, use_a = !use_a) {
    fill(p, i, std::min(k, row - i), use_a ? a : b);
  }
  for (std::int64_t done = row; done < p.size; done *= 2) {
    std::memcpy(p.base + done, p.base, static_cast<std::size_t>(std::min(done, p.size - done)));
  }
}

}  // namespace

void LevelSet::fillDisc(std::int32_t cx, std::int32_t cy, std::int32_t d, ColourIndex colour) {
  ::fillDisc(backBuffer(), cx, cy, d, colour);
}

std::int32_t LevelSet::build(std::int32_t level, Fixed8* x0_8, Fixed8* y0_8, Angle* rot0,
                             Fixed8* x1_8, Fixed8* y1_8, Angle* rot1) {
  const ColourIndex a = g_game.ships[0].territoryColour();
  const ColourIndex b = g_game.ships[1].territoryColour();
  if (static_cast<std::uint32_t>(level) >= static_cast<std::uint32_t>(LEVEL_COUNT)) return 1;
  const PixelView p = backBuffer();
  const std::int32_t w = p.width;
  const std::int32_t h = p.height;
  const bool painted = p.size > 0 && p.stride > 0;
  std::int64_t pos[4] = {};  // pixels
  Angle rot[2] = {};
  switch (level) {
    case 0:
    case 1:
      if (painted) {
        if (level == 0) {
          paintHalves(p, a, b);
        } else {
          paintBands(p, a, b);
        }
      }
      pos[0] = std::int64_t{w / 3} * 2;
      pos[1] = h / 8;
      pos[2] = w / 3;
      pos[3] = std::int64_t{h / 8} * 7;
      rot[0] = 2048;
      rot[1] = 0;
      break;
    case 2:
      if (painted && w / 6 > 0) paintStripes(p, w / 6, a, b);
      pos[0] = std::int64_t{w / 4} * 3;
      pos[1] = std::int64_t{h / 8} * 7;
      pos[2] = w / 4;
      pos[3] = h / 8;
      rot[0] = 1024;
      rot[1] = 3072;
      break;
    default: {
      const std::int64_t m = std::min(w, h);
      const auto d = static_cast<std::int32_t>((m * 7 / 8) >> 1);
      if (painted && w / 2 > 0 && d >= 2) {
        paintStripes(p, w / 2, a, b);
        ::fillDisc(p, w / 4, h / 2, d, b);
        ::fillDisc(p, static_cast<std::int32_t>(std::int64_t{w} * 3 / 4), h / 2, d, a);
      }
      pos[0] = std::int64_t{w / 4} * 3;
      pos[1] = h / 2;
      pos[2] = w / 4;
      pos[3] = h / 2;
      rot[0] = 1024;
      rot[1] = 3072;
      break;
    }
  }
  // Fixed8, wrapping to 32 bits for buffers wider than any window.
  auto fixed8 = [](std::int64_t pixels) { return static_cast<Fixed8>(pixels * 256); };
  if (x0_8 != nullptr) *x0_8 = fixed8(pos[0]);
  if (y0_8 != nullptr) *y0_8 = fixed8(pos[1]);
  if (rot0 != nullptr) *rot0 = rot[0];
  if (x1_8 != nullptr) *x1_8 = fixed8(pos[2]);
  if (y1_8 != nullptr) *y1_8 = fixed8(pos[3]);
  if (rot1 != nullptr) *rot1 = rot[1];
  g_game.level_change_frame = g_shell.main_window.presented_frames;
  return 0;
}
