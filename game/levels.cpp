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
void paintBands(const PixelView& p, ColourIndex a, ColourIndex b) {
  const std::int64_t k = (p.size - 1) / 10;
  if (k <= 0) return;
  bool use_b = true;
  for (std::int64_t i = 0; i < p.size; i += k, use_b = !use_b) {
    fill(p, i, std::min(k, p.size - i), use_b ? b : a);
  }
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

// Level 3: halves (stripes half the width wide), then a disc of B in the
// middle of the A half and a disc of A in the middle of the B half.
void paintHalvesWithDiscs(const PixelView& p, ColourIndex a, ColourIndex b) {
  const std::int64_t w = p.width;
  const std::int64_t h = p.height;
  const auto d = static_cast<std::int32_t>((std::min(w, h) * 7 / 8) >> 1);
  if (w / 2 <= 0 || d < 2) return;
  paintStripes(p, w / 2, a, b);
  fillDisc(p, static_cast<std::int32_t>(w / 4), static_cast<std::int32_t>(h / 2), d, b);
  fillDisc(p, static_cast<std::int32_t>(w * 3 / 4), static_cast<std::int32_t>(h / 2), d, a);
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
  if (p.size > 0 && p.stride > 0) {
    switch (level) {
      case 0:
        paintHalves(p, a, b);
        break;
      case 1:
        paintBands(p, a, b);
        break;
      case 2:
        if (p.width / 6 > 0) paintStripes(p, p.width / 6, a, b);
        break;
      default:
        paintHalvesWithDiscs(p, a, b);
        break;
    }
  }
  // Start positions in pixels; 64 bits, so that no window width overflows.
  const std::int64_t w = p.width;
  const std::int64_t h = p.height;
  struct Start {
    std::int64_t x0, y0;
    Angle r0;
    std::int64_t x1, y1;
    Angle r1;
  };
  const Start starts[LEVEL_COUNT] = {
      {w / 3 * 2, h / 8, 2048, w / 3, h / 8 * 7, 0},
      {w / 3 * 2, h / 8, 2048, w / 3, h / 8 * 7, 0},
      {w / 4 * 3, h / 8 * 7, 1024, w / 4, h / 8, 3072},
      {w / 4 * 3, h / 2, 1024, w / 4, h / 2, 3072},
  };
  const Start& s = starts[level];
  auto fixed8 = [](std::int64_t pixels) { return static_cast<Fixed8>(pixels * 256); };
  if (x0_8 != nullptr) *x0_8 = fixed8(s.x0);
  if (y0_8 != nullptr) *y0_8 = fixed8(s.y0);
  if (rot0 != nullptr) *rot0 = s.r0;
  if (x1_8 != nullptr) *x1_8 = fixed8(s.x1);
  if (y1_8 != nullptr) *y1_8 = fixed8(s.y1);
  if (rot1 != nullptr) *rot1 = s.r1;
  g_game.level_change_frame = g_shell.main_window.presented_frames;
  return 0;
}
