// The shot pool and the distance approximation.
#include "game/shots.h"

#include <algorithm>
#include <climits>

#include "tests/game/game_test.h"

namespace {

constexpr ColourIndex GREY = 43;

class Shots : public GameTest {
 protected:
  ShotList& pool = g_game.shots;
  void SetUp() override {
    GameTest::SetUp();
    makeBuffer(300, 200);
    fillBuffer(GREY);
  }
  // Ship 1's kind of shot: drawn in black, erased and painted with white.
  Shot* launchAt(int x, int y, std::int32_t vx = 400, std::int32_t vy = 0) {
    return pool.launch(x * 256, y * 256, vx, vy, 0, -256, BLACK, WHITE);
  }
};

TEST_F(Shots, MovesFallsLeavesTheArenaAndFillsThePool) {
  Shot* s = launchAt(100, 100);
  ASSERT_NE(s, nullptr);
  s->update();
  EXPECT_EQ(s->state, SHOT_FLYING);
  EXPECT_EQ(s->vx, 400);
  EXPECT_EQ(s->vy, -8);
  EXPECT_EQ(s->x, 100 * 256 + 400);
  EXPECT_EQ(s->y, 100 * 256 - 8);

  struct Case {
    int x, y;
    std::int32_t vx, vy;
    std::uint32_t after;
  };
  const Case edges[] = {
      {0, 100, -1, 8, SHOT_FREE},       // left of column 0
      {299, 100, 256, 8, SHOT_FLYING},  // on column width: still alive
      {300, 100, 256, 8, SHOT_FREE},    // past it
      {100, 199, 0, 264, SHOT_FLYING},  // on row height
      {100, 0, 0, 0, SHOT_FREE},        // below row 0 once it falls
  };
  for (const Case& c : edges) {
    Shot one;
    one.state = SHOT_FLYING;
    one.x = c.x * 256;
    one.y = c.y * 256;
    one.vx = c.vx;
    one.vy = c.vy;
    one.ay = -256;
    one.line_colour = BLACK;
    one.update();
    EXPECT_EQ(one.state, c.after) << c.x << "," << c.y;
  }

  for (int i = 1; i < SHOT_POOL_SIZE; ++i) ASSERT_NE(launchAt(10, 10), nullptr) << i;
  EXPECT_EQ(launchAt(20, 20), nullptr) << "the 61st shot";
  EXPECT_EQ(std::count_if(std::begin(pool.shots), std::end(pool.shots),
                          [](const Shot& one) { return one.x == 20 * 256; }),
            0);
}

TEST_F(Shots, DrawnWhereLaunchedStrikesNextFrameAndPaintsItsDisc) {
  launchAt(100, 100);
  pool.draw(SHOT_PASS_DRAW);  // the frame it was fired in
  for (int y = 99; y <= 101; ++y) EXPECT_EQ(rowCount(y, BLACK), 3) << "square at launch";
  pool.draw(SHOT_PASS_ERASE);  // the next frame erases it with the shooter's colour
  EXPECT_EQ(px(100, 100), WHITE);
  px(102, 98) = BLACK;  // ground where its square will be: (101, 99) plus one
  Shot* flying = launchAt(250, 150);
  pool.update();
  EXPECT_TRUE(pool.shots[0].isImpact());
  EXPECT_EQ(g_game.sound.requests, SOUND_REQ_HIT);
  EXPECT_FALSE(flying->isImpact());

  std::int32_t kx = 0, ky = 0;
  EXPECT_FALSE(pool.nearestImpact(250 * 256, 150 * 256, &kx, &ky)) << "flying shots do not knock";
  EXPECT_TRUE(pool.nearestImpact(105 * 256, 99 * 256, &kx, &ky));

  fillBuffer(GREY);
  pool.draw(SHOT_PASS_DRAW);
  int disc_rows = 0;
  for (int y = 60; y < 140; ++y) disc_rows += rowCount(y, WHITE) > 0 ? 1 : 0;
  EXPECT_GE(disc_rows, 27) << "the impact painted its disc";
  EXPECT_EQ(rowCount(150, BLACK), 3) << "and the flying shot its square";
  pool.update();
  EXPECT_TRUE(pool.shots[0].isFree()) << "an impact lasts one frame";
}

TEST_F(Shots, ImpactsWithinTwentyPixelsKnockAwayFromThemselves) {
  pool.shots[0].state = SHOT_IMPACT;
  pool.shots[0].x = 100 * 256;
  pool.shots[0].y = 100 * 256;
  struct Case {
    int dx, dy;  // 1/256 pixels from the impact
    bool hit;
    std::int32_t kx, ky;
  };
  const Case cases[] = {
      {19 * 256, 0, true, 4864, 0},     // 19456 halved twice
      {5119, 0, true, 5119, 0},         // just in reach: 20476 halved twice
      {20 * 256, 0, false, 0, 0},       // 5120: out of reach
      {-19 * 256, 0, true, -19456, 0},  // limited upwards only
      {10 * 256, -10 * 256, true, 10240 / 2, -10240 / 2},
      {0, 0, true, 0, 0},
      // Exactly at the limit (4 x 1920 = 7680) a component is kept; above it halved.
      {1920, 0, true, 7680, 0},
      {1921, 0, true, 3842, 0},
      {0, 1920, true, 0, 7680},
      {-1921, 1921, true, -3842, 3842},
  };
  for (const Case& c : cases) {
    std::int32_t kx = 1, ky = 1;
    EXPECT_EQ(pool.nearestImpact(100 * 256 + c.dx, 100 * 256 + c.dy, &kx, &ky), c.hit)
        << c.dx << "," << c.dy;
    EXPECT_EQ(kx, c.kx) << c.dx << "," << c.dy;
    EXPECT_EQ(ky, c.ky) << c.dx << "," << c.dy;
  }
}

TEST_F(Shots, ApproximateDistance) {
  struct Case {
    std::int32_t x1, y1, x2, y2, want;
  };
  const Case cases[] = {
      {0, 0, 3000, 4000, 5000},
      {0, 0, 1000, 0, 1000},
      {0, 0, 0, -1000, 1000},
      {7, 7, 7, 7, 0},
      {0, 0, 4864, 0, 4864},
      // Far points: no overflow, a far distance.
      {-370703, 0, 370703, 0, 741406},
      {INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX},
      {INT_MIN, 0, INT_MAX, 0, INT_MAX},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(approxDistance(c.x1, c.y1, c.x2, c.y2), c.want) << c.x2 << "," << c.y2;
    EXPECT_EQ(approxDistance(c.x2, c.y2, c.x1, c.y1), c.want);
  }
  EXPECT_EQ(approxLength(-3000, 4000), 5000);
  // The correction table, from its formula.
  const std::pair<int, int> listed[] = {{0, 0},     {16, 16},   {17, 16},  {511, 29},
                                        {512, 241}, {768, 212}, {1024, 51}};
  for (const auto& [i, t] : listed)
    EXPECT_EQ(DistanceCorrection[static_cast<std::size_t>(i)], t) << i;
}

}  // namespace
