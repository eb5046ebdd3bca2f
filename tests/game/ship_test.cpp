// The ships: construction, steering, firing, walking, settling, knockback.
#include "game/ship.h"

#include <vector>

#include "tests/game/game_test.h"

namespace {

class Ships : public GameTest {
 protected:
  Ship& ship = g_game.ships[1];  // the keyboard's ship: territory white, ground black
  void SetUp() override {
    GameTest::SetUp();
    makeBuffer(200, 300);
    fillBuffer(WHITE);
    mw.presented_frames = 200;  // past the start lock
  }
  void hold(bool back, bool on) {
    g_shell.KeyState[SHIP_KEY_BACK] = back ? 2 : 0;
    g_shell.KeyState[SHIP_KEY_ON] = on ? 2 : 0;
  }
  // Ground up to and including row top.
  void groundUpTo(int top) {
    for (int y = 0; y <= top; ++y) {
      for (int x = 0; x < mw.width; ++x) px(x, y) = BLACK;
    }
  }
  // One frame of the ship: shots first, as the frame driver orders it.
  void frame() {
    g_game.shots.update();
    ship.update();
    ++mw.presented_frames;
  }
  int shotsInFlight() {
    int n = 0;
    for (const Shot& s : g_game.shots.shots) n += s.isFree() ? 0 : 1;
    return n;
  }
};

TEST_F(Ships, ConstructedInOrderWithTheirStartValues) {
  struct Case {
    std::int16_t id;
    Fixed8 xy;
    Angle angle;
  };
  const Case cases[] = {{0, 12800, 2048}, {1, 25600, 0}};
  for (const Case& c : cases) {
    const Ship& s = g_game.ships[c.id];
    EXPECT_EQ(s.id, c.id);
    EXPECT_EQ(s.x, c.xy);
    EXPECT_EQ(s.y, c.xy);
    EXPECT_EQ(s.heading, c.angle);
    EXPECT_EQ(s.arm, c.angle);
    EXPECT_EQ(s.wheel_a, 50);
    EXPECT_EQ(s.wheel_b, 600);
    EXPECT_EQ(s.down.y, -256);
    EXPECT_EQ(s.state, SHIP_STATE_NORMAL);
    EXPECT_EQ(s.probes[2].x, 10);
    EXPECT_EQ(s.probes[5].y, 2);
  }
  resetGameState();
  EXPECT_EQ(g_game.ships[0].id, 0) << "numbering starts again with a fresh game";
}

TEST_F(Ships, LockedShipsNeitherSteerNorFireButStillFall) {
  ship.place(100 * 256, 150 * 256, 0);
  mw.presented_frames = 50;
  hold(true, true);
  frame();
  EXPECT_EQ(ship.arm, 0);
  EXPECT_EQ(shotsInFlight(), 0);
  EXPECT_EQ(ship.y, 149 * 256) << "falls one pixel";
  hold(false, true);
  frame();
  EXPECT_EQ(ship.arm, 0);
}

TEST_F(Ships, BothControlsFireEverySeventhFrameWithTheArmStill) {
  ship.place(100 * 256, 150 * 256, 0);
  hold(true, true);
  std::vector<std::uint32_t> fired_at;
  for (int i = 0; i < 30; ++i) {
    const int before = shotsInFlight();
    g_game.sound.requests = 0;
    frame();
    if (shotsInFlight() > before) {
      fired_at.push_back(mw.presented_frames - 1);
      EXPECT_EQ(g_game.sound.requests & SOUND_REQ_FIRE, SOUND_REQ_FIRE);
    }
    EXPECT_EQ(ship.arm, 0);
  }
  EXPECT_EQ(fired_at, (std::vector<std::uint32_t>{200, 207, 214, 221, 228}));
  // Launched from the previous frame's muzzle with its velocity and fall.
  const Shot& first = g_game.shots.shots[0];
  EXPECT_EQ(first.line_colour, BLACK);
  EXPECT_EQ(first.erase_colour, WHITE);
  EXPECT_EQ(first.ay, -256);
}

TEST_F(Ships, TurningPastTheArmTravelWalksAndTurnsTheWheels) {
  // In free fall, heading 0: the rest direction is 3072, the travel ends at 150 and 1898.
  struct Case {
    bool back, on;
    Angle limit;
    Fixed8 step;
    Angle wheel_turn;
  };
  const Case cases[] = {{false, true, 150, 256, 64}, {true, false, 1898, -256, -64}};
  for (const Case& c : cases) {
    ship.place(100 * 256, 250 * 256, 0);
    hold(c.back, c.on);
    for (int i = 0; i < 100 && ship.arm != c.limit; ++i) frame();
    ASSERT_EQ(ship.arm, c.limit);
    for (int i = 0; i < 3; ++i) {
      const Fixed8 x = ship.x;
      const Angle wheel = ship.wheel_a;
      frame();
      EXPECT_EQ(ship.x - x, c.step);
      EXPECT_EQ((wheel + c.wheel_turn + 4096) % 4096, ship.wheel_a);
      EXPECT_EQ(ship.arm, c.limit) << "the arm stays at the limit";
    }
    // Exactly at the limit is not past it: firing there does not walk.
    hold(true, true);
    const Fixed8 x = ship.x;
    frame();
    EXPECT_EQ(ship.x, x);
    EXPECT_EQ(ship.arm, c.limit);
  }
}

TEST_F(Ships, FallsUntilAProbeMeetsGroundOrTheMarginAndRisesWhenBuried) {
  // Nothing below: down to the bottom margin (a probe at row 6), which holds it.
  ship.place(100 * 256, 40 * 256, 0);
  for (int row = 40; row > 7; --row) {
    ASSERT_EQ(ship.y, row * 256);
    frame();
  }
  for (int i = 0; i < 60; ++i) {
    frame();
    ASSERT_GE(ship.y, 6 * 256) << i;
  }
  // Both upper probes buried: up two pixels a frame until free, then one.
  groundUpTo(55);
  ship.place(100 * 256, 50 * 256, 0);
  const int rows[] = {50, 52, 54, 55, 56};
  for (int row : rows) {
    EXPECT_EQ(ship.y, row * 256);
    frame();
  }
}

TEST_F(Ships, AnImpactKnocksTheShipIntoAHalvingDrift) {
  // The body point is 12 pixels above the foot; the impact 10 pixels to its
  // left, then to its right (a push to the left is not limited: twice as far).
  // A drift of 10 either way still moves the ship; below 10 it rests.
  for (const int side : {-1, 1}) {
    resetGameState();
    setColours();
    ship.place(100 * 256, 150 * 256, 0);
    Shot& impact = g_game.shots.shots[0];
    impact.state = SHOT_IMPACT;
    impact.x = (100 + side * 10) * 256;
    impact.y = 162 * 256;
    for (Fixed8 step = side < 0 ? 2560 : 5120; step >= 5; step /= 2) {
      const Fixed8 x = ship.x;
      ship.update();
      EXPECT_EQ(ship.x - x, -side * step) << side;
      EXPECT_EQ(ship.y, 150 * 256) << "no falling while knocked";
      EXPECT_EQ(ship.state, step == 5 ? SHIP_STATE_NORMAL : SHIP_STATE_KNOCKED) << step;
      // A second impact while drifting changes nothing.
      impact.state = SHOT_IMPACT;
    }
    EXPECT_EQ(g_game.sound.requests, SOUND_REQ_21);
  }
}

TEST_F(Ships, PositionsStayInsideTheArena) {
  struct Case {
    int w, h;
    Fixed8 x, y;
    Fixed8 want_x, want_y;
  };
  const Case cases[] = {
      {200, 300, -5000 * 256, -5000 * 256, 8 * 256, 5 * 256},
      {200, 300, 5000 * 256, 5000 * 256, 192 * 256, 295 * 256},
      {10, 8, 100 * 256, 100 * 256, 2 * 256, 3 * 256},  // the bounds cross: the upper wins
      {0, 0, 100 * 256, 100 * 256, -8 * 256, -5 * 256},
  };
  for (const Case& c : cases) {
    makeBuffer(c.w, c.h);
    ship.place(c.x, c.y, 0);
    ship.update();
    EXPECT_EQ(ship.x, c.want_x) << c.w << "x" << c.h;
    EXPECT_EQ(ship.y, c.want_y) << c.w << "x" << c.h;
  }
}

}  // namespace
