// The territory measure: the pixels inside the border of each walker's
// colour, counted on known pictures and on a played game's last frame, and
// the line's rounding.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "bench/computer/match.h"
#include "computer/computer.h"
#include "tests/game/game_test.h"

namespace {

constexpr ColourIndex GREY = 86;

class TerritoryTest : public GameTest {};

// Pictures of a 40 x 30 client: the border runs from (9, 7) to (31, 23), so
// the arena inside it is columns 10..30 and rows 8..22, 21 x 15 = 315 pixels.
TEST_F(TerritoryTest, CountsEachColourInsideTheBorderOnly) {
  struct Case {
    const char* name;
    std::function<ColourIndex(int x, int y)> colour;
    std::uint64_t black, white;
    const char* line;
  };
  const Case cases[] = {
      {"all black", [](int, int) { return BLACK; }, 315, 0,
       "territory: walker 0 100.0 %, walker 1 0.0 %"},
      {"black left of column 20", [](int x, int) { return x < 20 ? BLACK : WHITE; }, 150, 165,
       "territory: walker 0 47.6 %, walker 1 52.4 %"},
      {"white outside the arena, black inside",
       [](int x, int y) { return x > 9 && x < 31 && y > 7 && y < 23 ? BLACK : WHITE; }, 315, 0,
       "territory: walker 0 100.0 %, walker 1 0.0 %"},
      {"the border line black, the rest white",
       [](int x, int y) {
         const bool on = (x == 9 || x == 31) || (y == 7 || y == 23);
         return on ? BLACK : WHITE;
       },
       0, 315, "territory: walker 0 0.0 %, walker 1 100.0 %"},
      {"grey with one black pixel", [](int x, int y) { return x == 12 && y == 9 ? BLACK : GREY; },
       1, 0, "territory: walker 0 0.3 %, walker 1 0.0 %"},
  };
  for (const Case& c : cases) {
    makeBuffer(40, 30);
    for (int y = 0; y < mw.height; ++y) {
      for (int x = 0; x < mw.width; ++x) px(x, y) = c.colour(x, y);
    }
    const computer::Territory t = computer::measureTerritory();
    EXPECT_EQ(t.arena, 315u) << c.name;
    EXPECT_EQ(t.pixels[0], c.black) << c.name;
    EXPECT_EQ(t.pixels[1], c.white) << c.name;
    EXPECT_EQ(computer::territoryLine(t), c.line) << c.name;
  }
}

TEST(TerritoryLine, RoundsEachShareToOneDecimalHalfUp) {
  struct Case {
    std::uint64_t a, b, arena;
    const char* line;
  };
  const Case cases[] = {
      {1, 2, 3, "territory: walker 0 33.3 %, walker 1 66.7 %"},
      {1, 7, 8, "territory: walker 0 12.5 %, walker 1 87.5 %"},        // exact
      {1, 15, 16, "territory: walker 0 6.3 %, walker 1 93.8 %"},       // 6.25, 93.75: up
      {1, 1999, 2000, "territory: walker 0 0.1 %, walker 1 100.0 %"},  // 0.05: up
      {1, 2000, 2001, "territory: walker 0 0.0 %, walker 1 100.0 %"},  // 0.0499..: down
      {614, 386, 1000, "territory: walker 0 61.4 %, walker 1 38.6 %"},
      {0, 0, 0, "territory: walker 0 0.0 %, walker 1 0.0 %"},  // no arena at all
      {3000000000u, 1000000000u, 4000000000u, "territory: walker 0 75.0 %, walker 1 25.0 %"},
  };
  for (const Case& c : cases) {
    computer::Territory t;
    t.pixels[0] = c.a;
    t.pixels[1] = c.b;
    t.arena = c.arena;
    EXPECT_EQ(computer::territoryLine(t), c.line) << c.a << " " << c.b << " of " << c.arena;
  }
}

// A played game's last frame, counted pixel by pixel inside the border's
// corners as they are drawn.
TEST_F(TerritoryTest, MatchesACountOfAPlayedGamesLastFrame) {
  const match::Game g = {{match::Side::Normal, match::Side::Easy}, 2, 1, 900};
  const computer::Territory t = match::play(g);
  const ColourIndex black = g_game.ships[0].territoryColour();
  const ColourIndex white = g_game.ships[1].territoryColour();
  std::uint64_t count[2] = {0, 0};
  std::uint64_t arena = 0;
  for (int y = 0; y < mw.height; ++y) {
    for (int x = 0; x < mw.width; ++x) {
      if (x <= 9 || x >= mw.width - 9 || y <= 7 || y >= mw.height - 7) continue;
      ++arena;
      count[0] += px(x, y) == black ? 1 : 0;
      count[1] += px(x, y) == white ? 1 : 0;
    }
  }
  EXPECT_EQ(t.arena, arena);
  EXPECT_EQ(t.pixels[0], count[0]);
  EXPECT_EQ(t.pixels[1], count[1]);
  // Only the walkers and their flying shots are of neither colour.
  EXPECT_GT(t.pixels[0] + t.pixels[1], arena * 99 / 100);
}

}  // namespace
