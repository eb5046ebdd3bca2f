// Pixel access and discs.
#include "game/helpers.h"

#include <vector>

#include "game/levels.h"
#include "game/random.h"
#include "tests/game/game_test.h"

namespace {

class Helpers : public GameTest {};

std::vector<int> mirrored(std::vector<int> half, int middle_rows, int middle, bool odd_last) {
  std::vector<int> all = half;
  all.insert(all.end(), static_cast<std::size_t>(middle_rows), middle);
  all.insert(all.end(), half.rbegin(), half.rend());
  if (odd_last) all.push_back(1);
  return all;
}

TEST_F(Helpers, DiscRowsHaveTheirChordAndPaintedWidths) {
  const std::vector<int> chords42 = {13, 18, 21, 24, 27, 29, 31, 33, 34, 35, 37, 38, 38, 39,
                                     40, 40, 41, 41, 41, 42, 42, 42, 42, 41, 41, 41, 40, 40,
                                     39, 38, 38, 37, 35, 34, 33, 31, 29, 27, 24, 21, 18, 13};
  struct Case {
    int d;
    std::vector<int> painted;
  };
  const Case cases[] = {
      {42,
       mirrored({14, 18, 22, 24, 28, 30, 32, 34, 34, 36, 38, 38, 38, 40, 40, 40}, 10, 42, false)},
      // The last row's chord is 0, yet its middle pixel is painted.
      {27, mirrored({11, 15, 17, 19, 21, 23, 25, 25, 25}, 8, 27, true)},
  };
  for (int i = 0; i < 42; ++i) EXPECT_EQ(discChordWidth(42, i), chords42[i]) << "row " << i;
  makeBuffer(100, 100);
  for (const Case& c : cases) {
    fillBuffer(BLACK);
    LevelSet::fillDisc(50, 50, c.d, WHITE);
    ASSERT_EQ(static_cast<int>(c.painted.size()), c.d);
    const int bottom = 50 - (c.d >> 1);
    for (int i = 0; i < c.d; ++i) {
      int first = 0;
      EXPECT_EQ(rowCount(bottom + i, WHITE, &first), c.painted[i]) << c.d << " row " << i;
      EXPECT_EQ(first, bottom + (c.d - c.painted[i]) / 2) << c.d << " row " << i;
    }
    EXPECT_EQ(rowCount(bottom - 1, WHITE) + rowCount(bottom + c.d, WHITE), 0);
  }
}

TEST_F(Helpers, ImpactDiametersStayWithin27To42) {
  seedRandom(10);
  makeBuffer(100, 100);
  bool seen[43] = {};
  for (int draw = 0; draw < 600; ++draw) {
    fillBuffer(BLACK);
    paintImpact(50, 50, WHITE);
    int rows = 0;
    for (int y = 0; y < 100; ++y) rows += rowCount(y, WHITE) > 0 ? 1 : 0;
    ASSERT_GE(rows, 27) << "draw " << draw;
    ASSERT_LE(rows, 42) << "draw " << draw;
    seen[rows] = true;
  }
  EXPECT_TRUE(seen[27] && seen[42]) << "both ends of the range are drawn";
}

TEST_F(Helpers, DiscsAndAddressesStayInsideThePixelMemory) {
  // Discs over every edge and corner, on buffers down to one pixel: the
  // sanitizer build sees any write outside the pixel memory.
  const int sizes[][2] = {{1, 1}, {2, 3}, {5, 1}, {7, 7}, {40, 30}};
  for (const auto& size : sizes) {
    makeBuffer(size[0], size[1]);
    const int w = size[0], h = size[1];
    const int centres[][2] = {{0, 0},          {w - 1, 0},     {0, h - 1},
                              {w - 1, h - 1},  {w / 2, h / 2}, {-30, h / 2},
                              {w + 30, h / 2}, {w / 2, -40},   {w / 2, h + 40}};
    for (const auto& c : centres) {
      for (int d : {0, 1, 2, 3, 27, 42, 301}) LevelSet::fillDisc(c[0], c[1], d, WHITE);
    }
    EXPECT_FALSE(inBuffer(pixelAddress(-1, 0)));
    EXPECT_TRUE(inBuffer(pixelAddress(0, 0)));
    EXPECT_TRUE(inBuffer(pixelAddress(mw.stride - 1, h - 1)));
    EXPECT_FALSE(inBuffer(pixelAddress(mw.stride, h - 1)));
  }
  makeBuffer(0, 0);
  EXPECT_FALSE(inBuffer(0));
  LevelSet::fillDisc(0, 0, 42, WHITE);
}

}  // namespace
