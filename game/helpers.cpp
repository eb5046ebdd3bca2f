#include "game/helpers.h"

#include <algorithm>
#include <cstring>

#include "game/random.h"
#include "shell/shell_globals.h"

// clang-format off
const std::uint8_t QuarterCircle[QUARTER_CIRCLE_SIZE] = {
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
    255, 255, 255, 255, 255, 255, 255, 254, 254, 254, 254, 254, 254, 254, 254, 254,
    253, 253, 253, 253, 253, 253, 253, 252, 252, 252, 252, 252, 252, 251, 251, 251,
    251, 251, 250, 250, 250, 250, 250, 249, 249, 249, 249, 248, 248, 248, 248, 248,
    247, 247, 247, 246, 246, 246, 246, 245, 245, 245, 244, 244, 244, 243, 243, 243,
    243, 242, 242, 242, 241, 241, 240, 240, 240, 239, 239, 239, 238, 238, 237, 237,
    237, 236, 236, 235, 235, 235, 234, 234, 233, 233, 232, 232, 231, 231, 231, 230,
    230, 229, 228, 228, 227, 227, 227, 226, 225, 225, 224, 224, 223, 223, 222, 222,
    221, 220, 220, 219, 219, 218, 217, 217, 216, 216, 215, 214, 214, 213, 212, 212,
    211, 210, 210, 209, 208, 207, 207, 206, 205, 204, 204, 203, 202, 201, 201, 200,
    199, 198, 197, 197, 196, 195, 194, 193, 192, 191, 191, 190, 189, 188, 187, 186,
    185, 184, 183, 182, 181, 180, 179, 178, 177, 176, 175, 174, 173, 172, 171, 170,
    168, 167, 166, 165, 164, 163, 161, 160, 159, 158, 156, 155, 154, 152, 151, 150,
    148, 147, 145, 144, 142, 141, 139, 138, 136, 135, 133, 131, 130, 128, 126, 124,
    123, 121, 119, 117, 115, 113, 111, 109, 107, 104, 102, 100, 98,  95,  93,  90,
    87,  84,  82,  79,  76,  72,  69,  65,  61,  57,  52,  47,  42,  35,  27,  16,
    0,
};
// clang-format on

PixelView backBuffer() {
  const MainWindow& mw = g_shell.main_window;
  PixelView view;
  view.width = mw.width;
  view.height = mw.height;
  view.stride = mw.stride;
  if (mw.hasPixels() && mw.last_pixel >= mw.pixel_base) {
    view.base = mw.pixel_base;
    view.size = (mw.last_pixel - mw.pixel_base) + 1;
  }
  return view;
}

PixelOffset pixelAddress(std::int32_t x, std::int32_t y) {
  return PixelOffset{y} * g_shell.main_window.stride + x;
}

bool inBuffer(PixelOffset offset) { return backBuffer().contains(offset); }

std::int32_t discChordWidth(std::int32_t d, std::int32_t i) {
  const std::int32_t r = d >> 1;
  if (r <= 0) return 0;
  // 64-bit, so that rows far outside the disc cannot overflow before the clamp.
  const std::int64_t rows = i < r ? std::int64_t{r} - i - 1 : std::int64_t{i} - r;
  const std::int64_t t = std::clamp<std::int64_t>(rows * 256 / r, 0, 256);
  return static_cast<std::int32_t>(((std::int64_t{QuarterCircle[t]} + 1) * d) >> 8);
}

void fillDisc(const PixelView& pixels, std::int32_t cx, std::int32_t cy, std::int32_t d,
              ColourIndex colour) {
  if (d < 2 || pixels.size == 0) return;
  const std::int64_t half = d >> 1;
  PixelOffset row = (std::int64_t{cy} - half) * pixels.stride + (std::int64_t{cx} - half);
  for (std::int32_t i = 0; i < d; ++i, row += pixels.stride) {
    const std::int32_t m = (d - discChordWidth(d, i)) >> 1;
    // The painted run of this row, cut to the pixel memory.
    const PixelOffset first = std::max<PixelOffset>(row + m, 0);
    const PixelOffset last = std::min<PixelOffset>(row + d - m - 1, pixels.size - 1);
    if (first <= last) {
      std::memset(pixels.base + first, colour, static_cast<std::size_t>(last - first + 1));
    }
  }
}

void paintImpact(std::int32_t cx, std::int32_t cy, ColourIndex colour) {
  fillDisc(backBuffer(), cx, cy, 42 - (randomByte(0) >> 4), colour);
}
