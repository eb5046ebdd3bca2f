// The icon generator: the drawing shows a walker of each player on the
// ground of the other's colour, every size keeps it, and the PNG and icon
// files are well formed (read back with zlib, every checksum verified).
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/support/fresh_state.h"
#include "tools/icongen/icon.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Rgb = std::uint32_t;

std::uint32_t be32(const Bytes& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
         (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}
std::uint32_t le(const Bytes& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + i];
  return v;
}

// The colours of the left and right halves of a picture.
std::set<Rgb> halfColours(const icongen::Picture& p, bool right) {
  std::set<Rgb> colours;
  for (int y = 1; y < p.size - 1; ++y) {
    for (int x = right ? p.size / 2 : 1; x < (right ? p.size - 1 : p.size / 2); ++x) {
      const std::uint8_t* px = &p.rgba[(y * p.size + x) * 4];
      colours.insert((Rgb{px[0]} << 16) | (Rgb{px[1]} << 8) | px[2]);
    }
  }
  return colours;
}

// Reads a PNG back: the signature, each chunk's CRC, IHDR, and the inflated
// rows, which must equal the picture's.
void expectPng(const Bytes& png, const icongen::Picture& picture) {
  const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  ASSERT_GE(png.size(), 8u);
  ASSERT_EQ(std::memcmp(png.data(), signature, 8), 0);
  Bytes packed;
  std::vector<std::string> types;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::uint32_t length = be32(png, at);
    ASSERT_LE(at + 12 + length, png.size());
    const std::string type(png.begin() + at + 4, png.begin() + at + 8);
    types.push_back(type);
    EXPECT_EQ(crc32(0, png.data() + at + 4, length + 4), be32(png, at + 8 + length)) << type;
    if (type == "IHDR") {
      EXPECT_EQ(be32(png, at + 8), static_cast<std::uint32_t>(picture.size));
      EXPECT_EQ(be32(png, at + 12), static_cast<std::uint32_t>(picture.size));
      EXPECT_EQ(png[at + 16], 8);  // bits
      EXPECT_EQ(png[at + 17], 6);  // RGBA
    }
    if (type == "IDAT")
      packed.insert(packed.end(), png.begin() + at + 8, png.begin() + at + 8 + length);
    at += 12 + length;
  }
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  const std::size_t row = static_cast<std::size_t>(picture.size) * 4 + 1;
  Bytes raw(row * picture.size + 1);
  uLongf raw_size = raw.size();
  ASSERT_EQ(uncompress(raw.data(), &raw_size, packed.data(), packed.size()), Z_OK);
  ASSERT_EQ(raw_size, row * picture.size);
  for (int y = 0; y < picture.size; ++y) {
    EXPECT_EQ(raw[y * row], 0) << "filter of row " << y;
    EXPECT_EQ(std::memcmp(&raw[y * row + 1], &picture.rgba[y * (row - 1)], row - 1), 0) << y;
  }
}

// The rasterizer reports through the platform layer: a fresh one per test.
class Icon : public FreshState {};

TEST_F(Icon, EachPlayerStandsOnTheOthersColourAtEverySize) {
  const Rgb black = 0x000000, white = 0xFFFFFF, ship0 = 0xCCCCFF, ship1 = 0x666600;
  const icongen::Picture drawn = icongen::drawIcon();
  ASSERT_EQ(drawn.size, icongen::DRAWN_SIZE);
  EXPECT_EQ(halfColours(drawn, false), (std::set<Rgb>{black, ship0}));
  EXPECT_EQ(halfColours(drawn, true), (std::set<Rgb>{white, ship1}));
  for (const int size : icongen::ICON_SIZES) {
    const icongen::Picture p = icongen::scaled(drawn, size);
    EXPECT_TRUE(headless::boxes().empty()) << "the rasterizer reported an error";
    ASSERT_EQ(p.rgba.size(), static_cast<std::size_t>(size) * size * 4);
    // Averaged pixels mix each player's colour with its ground, never the
    // other half's: the halves stay apart and the walkers stay visible.
    const std::set<Rgb> left = halfColours(p, false), right = halfColours(p, true);
    EXPECT_TRUE(left.count(black) && right.count(white)) << size;
    EXPECT_GT(left.size(), 1u) << size;
    EXPECT_GT(right.size(), 1u) << size;
    for (std::size_t i = 3; i < p.rgba.size(); i += 4) ASSERT_EQ(p.rgba[i], 255) << size;
    expectPng(icongen::png(p), p);
  }
}

TEST_F(Icon, TheIconFileHoldsEverySizeAsPng) {
  std::vector<icongen::Picture> pictures;
  for (const int size : icongen::ICON_SIZES) {
    pictures.push_back(icongen::scaled(icongen::drawIcon(), size));
  }
  const Bytes ico = icongen::ico(pictures);
  ASSERT_GE(ico.size(), 6u + 16 * pictures.size());
  EXPECT_EQ(le(ico, 0, 2), 0u);
  EXPECT_EQ(le(ico, 2, 2), 1u);
  ASSERT_EQ(le(ico, 4, 2), pictures.size());
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const std::size_t entry = 6 + 16 * i;
    const int size = pictures[i].size;
    EXPECT_EQ(ico[entry], size == 256 ? 0 : size);
    EXPECT_EQ(ico[entry + 1], size == 256 ? 0 : size);
    EXPECT_EQ(le(ico, entry + 6, 2), 32u);
    const std::uint32_t length = le(ico, entry + 8, 4), offset = le(ico, entry + 12, 4);
    ASSERT_LE(std::size_t{offset} + length, ico.size());
    expectPng(Bytes(ico.begin() + offset, ico.begin() + offset + length), pictures[i]);
  }
}

}  // namespace
