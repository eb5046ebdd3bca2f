// The conversion a present does into locked texture memory: 8-bit rows stored
// bottom-up with padded strides come out as ARGB pixels, top row first, and
// the palette table is taken over only when the palette changes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/sdl/translate.h"

namespace {

using platform::IndexedBlit;
using platform::sdl::convertBlit;
using platform::sdl::PaletteCache;

constexpr std::uint8_t PADDING_INDEX = 255;
constexpr std::uint32_t UNTOUCHED = 0x12345678u;

// A colour-cube palette like the back buffer's, with the padding colour set
// apart so that a read of a padding byte shows.
void makePalette(RGBQUAD palette[256]) {
  for (int i = 0; i < 256; ++i) {
    palette[i].rgbBlue = static_cast<BYTE>((i % 6) * 51);
    palette[i].rgbRed = static_cast<BYTE>(((i / 6) % 6) * 51);
    palette[i].rgbGreen = static_cast<BYTE>((i / 36) * 51);
    palette[i].rgbReserved = 0;
  }
  palette[PADDING_INDEX] = RGBQUAD{1, 2, 3, 0};
}

std::uint32_t argbOf(const RGBQUAD& q) {
  return 0xFF000000u | (std::uint32_t{q.rgbRed} << 16) | (std::uint32_t{q.rgbGreen} << 8) |
         q.rgbBlue;
}

// The colour index the test frame holds at (x, row counted from the top).
std::uint8_t indexAt(int x, int row) { return static_cast<std::uint8_t>((x * 7 + row * 13) % 216); }

// A bottom-up 8-bit frame as a DIB section stores it: memory row 0 is the
// bottom of the picture; each row padded to a multiple of 4 bytes.
struct Frame {
  int width;
  int height;
  int stride;
  std::vector<std::uint8_t> bytes;

  Frame(int w, int h) : width(w), height(h), stride((w + 3) & ~3) {
    bytes.assign(static_cast<std::size_t>(stride) * h, PADDING_INDEX);
    for (int row = 0; row < h; ++row) {
      std::uint8_t* memory_row = bytes.data() + static_cast<std::size_t>(h - 1 - row) * stride;
      for (int x = 0; x < w; ++x) memory_row[x] = indexAt(x, row);
    }
  }

  IndexedBlit blit(const std::uint32_t* lut, std::uint64_t version) const {
    IndexedBlit b{};
    b.top_row = bytes.data() + static_cast<std::ptrdiff_t>(height - 1) * stride;
    b.row_step = -static_cast<std::ptrdiff_t>(stride);
    b.width = width;
    b.height = height;
    b.lut = lut;
    b.lut_version = version;
    return b;
  }
};

class Present : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    makePalette(palette_);
    platform::buildPaletteLut(palette_, 256, lut_);
  }
  RGBQUAD palette_[256];
  std::uint32_t lut_[256];
};

TEST_P(Present, BottomUpRowsComeOutTopRowFirst) {
  const int width = GetParam();
  const int height = 5;
  const Frame frame(width, height);
  // Texture rows are wider than the blit, as a locked texture's pitch may be.
  const int pitch_pixels = width + 3;
  std::vector<std::uint32_t> texture(static_cast<std::size_t>(pitch_pixels) * height, UNTOUCHED);
  PaletteCache cache;
  convertBlit(frame.blit(lut_, 1), cache, texture.data(), pitch_pixels * 4);
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < pitch_pixels; ++x) {
      const std::uint32_t got = texture[static_cast<std::size_t>(row) * pitch_pixels + x];
      if (x < width) {
        ASSERT_EQ(got, argbOf(palette_[indexAt(x, row)])) << "x " << x << " row " << row;
      } else {
        ASSERT_EQ(got, UNTOUCHED) << "wrote past the row at x " << x << " row " << row;
      }
    }
  }
}

// Widths 1..3 and 5, 733 need padding; 4 and 734 - 2 = 732 do not.
INSTANTIATE_TEST_SUITE_P(Widths, Present, ::testing::Values(1, 2, 3, 4, 5, 732, 733, 734));

TEST(PresentPalette, KnownColoursOfTheCube) {
  RGBQUAD palette[256];
  makePalette(palette);
  std::uint32_t lut[256];
  platform::buildPaletteLut(palette, 256, lut);
  // One row: black, pure blue, pure red, pure green, white.
  const std::uint8_t row[8] = {0, 5, 30, 180, 215, PADDING_INDEX, PADDING_INDEX, PADDING_INDEX};
  IndexedBlit b{row, 8, 5, 1, lut, 7};
  std::vector<std::uint32_t> out(5);
  PaletteCache cache;
  convertBlit(b, cache, out.data(), 5 * 4);
  EXPECT_EQ(out, (std::vector<std::uint32_t>{0xFF000000u, 0xFF0000FFu, 0xFFFF0000u, 0xFF00FF00u,
                                             0xFFFFFFFFu}));
}

TEST(PresentPalette, TableIsTakenOverOnlyWhenThePaletteVersionChanges) {
  std::uint32_t lut[256];
  for (auto& e : lut) e = 0xFF111111u;
  const std::uint8_t pixel = 0;
  IndexedBlit b{&pixel, 4, 1, 1, lut, 1};
  PaletteCache cache;
  std::uint32_t out = 0;
  convertBlit(b, cache, &out, 4);
  EXPECT_EQ(out, 0xFF111111u);
  EXPECT_EQ(cache.rebuilds(), 1);
  for (int i = 0; i < 100; ++i) convertBlit(b, cache, &out, 4);
  EXPECT_EQ(cache.rebuilds(), 1);
  // A new palette comes with a new version and is used from then on.
  for (auto& e : lut) e = 0xFF222222u;
  b.lut_version = 2;
  convertBlit(b, cache, &out, 4);
  EXPECT_EQ(out, 0xFF222222u);
  EXPECT_EQ(cache.rebuilds(), 2);
}

}  // namespace
