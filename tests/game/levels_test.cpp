// The level set.
#include "game/levels.h"

#include <algorithm>

#include "tests/game/game_test.h"

namespace {

class Levels : public GameTest {
 protected:
  struct Start {
    Fixed8 x0 = -1, y0 = -1, x1 = -1, y1 = -1;
    Angle r0 = -1, r1 = -1;
    bool operator==(const Start&) const = default;
  };
  std::int32_t build(std::int32_t level, Start* s) {
    return LevelSet::build(level, &s->x0, &s->y0, &s->r0, &s->x1, &s->y1, &s->r1);
  }
  bool untouched(std::uint8_t v) {
    return std::all_of(mw.pixel_base, mw.pixel_base + bytes(),
                       [v](std::uint8_t b) { return b == v; });
  }
};

TEST_F(Levels, NumbersOutsideZeroToThreeAreRefusedAndChangeNothing) {
  makeBuffer(64, 48);
  fillBuffer(77);
  mw.presented_frames = 30;
  for (std::int32_t level : {4, -1, 200, INT32_MIN}) {
    Start s;
    EXPECT_EQ(build(level, &s), 1) << level;
    EXPECT_EQ(s, Start{}) << level;
    EXPECT_TRUE(untouched(77)) << level;
    EXPECT_EQ(g_game.level_change_frame, 0u);
  }
  Start s;
  EXPECT_EQ(build(3, &s), 0);
  EXPECT_EQ(g_game.level_change_frame, 30u) << "a build locks the controls again";
}

TEST_F(Levels, Examples640x480) {
  makeBuffer(640, 480);
  ASSERT_EQ(mw.stride, 640);
  struct Case {
    std::int32_t level;
    Start start;  // pixels
  };
  const Case cases[] = {
      {0, {426, 60, 213, 420, 2048, 0}},
      {1, {426, 60, 213, 420, 2048, 0}},
      {2, {480, 420, 160, 60, 1024, 3072}},
      {3, {480, 240, 160, 240, 1024, 3072}},
  };
  for (const Case& c : cases) {
    fillBuffer(77);
    Start s;
    ASSERT_EQ(build(c.level, &s), 0);
    Start want = c.start;
    for (Fixed8* v : {&want.x0, &want.y0, &want.x1, &want.y1}) *v *= 256;
    EXPECT_EQ(s, want) << "level " << c.level;
    EXPECT_TRUE(std::none_of(mw.pixel_base, mw.pixel_base + bytes(),
                             [](std::uint8_t b) { return b == 77; }))
        << "every byte painted, level " << c.level;
    switch (c.level) {
      case 0:  // A up to the byte before the middle one, B from it.
        EXPECT_EQ(mw.pixel_base[153598], BLACK);
        EXPECT_EQ(mw.pixel_base[153599], WHITE);
        EXPECT_EQ(std::count(mw.pixel_base, mw.pixel_base + bytes(), BLACK), 153599);
        break;
      case 1:  // Bands of 30719 bytes, B first.
        EXPECT_EQ(mw.pixel_base[0], WHITE);
        EXPECT_EQ(mw.pixel_base[30718], WHITE);
        EXPECT_EQ(mw.pixel_base[30719], BLACK);
        EXPECT_EQ(mw.pixel_base[307189], BLACK);
        EXPECT_EQ(mw.pixel_base[307190], WHITE) << "the short eleventh band";
        break;
      case 2:  // Stripes 106 wide, A first, A again for the last 4 columns.
        for (int y : {0, 479}) {
          for (int x = 0; x < 640; ++x) {
            ASSERT_EQ(px(x, y), (x / 106) % 2 == 0 ? BLACK : WHITE) << x << "," << y;
          }
        }
        break;
      case 3:  // Halves, and discs of 210 in the other colour.
        EXPECT_EQ(rowCount(240, WHITE), 320) << "the B half less its A disc, plus the B disc";
        EXPECT_EQ(px(160, 240), WHITE);
        EXPECT_EQ(px(480, 240), BLACK);
        EXPECT_EQ(px(160, 240 + 106), BLACK) << "above the B disc";
        EXPECT_EQ(px(160, 240 + 104), WHITE);
        EXPECT_EQ(px(0, 0), BLACK);
        EXPECT_EQ(px(639, 0), WHITE);
        break;
    }
  }
}

TEST_F(Levels, EveryLevelBuildsOnTinyBuffersInsideThePixelMemory) {
  // Buffers too small for a level's divisions are left unpainted; all succeed.
  struct Case {
    int w, h;
    bool painted[LEVEL_COUNT];
  };
  const Case cases[] = {
      {0, 0, {false, false, false, false}}, {1, 1, {true, false, false, false}},
      {2, 2, {true, false, false, false}},  {3, 3, {true, true, false, false}},
      {5, 9, {true, true, false, true}},    {6, 1, {true, false, true, false}},
      {40, 4, {true, true, true, false}},   {5, 5, {true, true, false, true}},
      {13, 17, {true, true, true, true}},   {1, 400, {true, true, false, false}},
  };
  for (const Case& c : cases) {
    makeBuffer(c.w, c.h);
    for (std::int32_t level = 0; level < LEVEL_COUNT; ++level) {
      fillBuffer(77);
      mw.presented_frames = 5 + static_cast<std::uint32_t>(level);
      Start s;
      ASSERT_EQ(build(level, &s), 0) << c.w << "x" << c.h << " level " << level;
      EXPECT_NE(s, Start{});
      EXPECT_EQ(g_game.level_change_frame, mw.presented_frames);
      EXPECT_EQ(!untouched(77), c.painted[level] && bytes() > 0)
          << c.w << "x" << c.h << " level " << level;
    }
  }
}

}  // namespace
