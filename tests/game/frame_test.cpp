// The frame driver: first frame, level selection in locked time, the border,
// the erase pass, and whole frames on windows of any size.
#include "game/frame.h"

#include <algorithm>

#include "tests/game/game_test.h"

namespace {

using K = platform::NativeEventKind;

constexpr ColourIndex GREY = 129;  // nearest to (128, 128, 128)

class Frames : public GameTest {
 protected:
  // The first frame on a 640 x 480 client.
  void start() {
    makeBuffer(640, 480);
    runFrame();
  }
  // A press seen by one frame, released after it (a press and release before
  // the same frame leave the byte at "went up", and the frame sees no press).
  void click(int button) {
    deliver(buttonEvent(K::ButtonDown, button));
    runFrame();
    deliver(buttonEvent(K::ButtonUp, button));
  }
};

TEST_F(Frames, TheFirstFrameChoosesColoursBuildsLevelThreeAndPlacesTheShips) {
  start();
  EXPECT_EQ(mw.presented_frames, 1u);
  const Ship& s0 = g_game.ships[0];
  const Ship& s1 = g_game.ships[1];
  EXPECT_EQ(s0.ground_colour, WHITE);
  EXPECT_EQ(s0.territory_colour, BLACK);
  EXPECT_EQ(s1.ground_colour, BLACK);
  EXPECT_EQ(s1.territory_colour, WHITE);
  EXPECT_EQ(g_game.border_colour, GREY);
  EXPECT_NE(s0.body_colour, s1.body_colour);
  EXPECT_EQ(g_game.current_level, 3);
  // Placed at the disc centres, then one frame of falling sideways.
  EXPECT_EQ(s0.heading, 1024);
  EXPECT_EQ(s1.heading, 3072);
  EXPECT_EQ(s0.x, 479 * 256);
  EXPECT_EQ(s1.x, 161 * 256);
  EXPECT_EQ(s0.y, 240 * 256);
  EXPECT_EQ(px(480, 240), BLACK);
  EXPECT_EQ(px(160, 240), WHITE);
  EXPECT_TRUE(headless::boxes().empty());
}

TEST_F(Frames, TheBorderOutlinesTheArenaOnePixelWide) {
  start();
  int grey = 0;
  for (int y = 0; y < 480; ++y) grey += rowCount(y, GREY);
  EXPECT_EQ(grey, 2 * 623 + 2 * 467 - 4);
  for (const auto& [x, y] : {std::pair{9, 7}, {631, 7}, {631, 473}, {9, 473}, {300, 7}, {9, 200}}) {
    EXPECT_EQ(px(x, y), GREY) << x << "," << y;
  }
  EXPECT_NE(px(8, 7), GREY);
  EXPECT_NE(px(632, 473), GREY);
  EXPECT_NE(px(10, 8), GREY);
}

TEST_F(Frames, ClicksInLockedTimeStepTheLevel) {
  struct Click {
    std::uint32_t frame;
    int button;  // 0 left, 1 right, 2 both in one frame
  };
  struct Case {
    std::vector<Click> clicks;
    std::int32_t level;
    std::uint32_t change_frame;
  };
  const Case cases[] = {
      {{{5, 1}}, 0, 5},                // 3 -> 0: there is no level 4
      {{{5, 0}}, 2, 5},                // 3 -> 2
      {{{5, 1}, {9, 0}}, 3, 9},        // 0 -> 3 by way of 200 and the downward search
      {{{5, 2}}, 3, 5},                // up and down in one frame: built twice
      {{{100, 1}, {150, 1}}, 1, 150},  // the first change keeps the controls locked
      {{{130, 1}}, 3, 0},              // running time: the buttons steer instead
  };
  for (const Case& c : cases) {
    resetProgramState();
    hwnd = openMainWindow();
    start();
    for (const Click& k : c.clicks) {
      while (mw.presented_frames < k.frame) runFrame();
      if (k.button == 2) {
        deliver(buttonEvent(K::ButtonDown, 1));
        deliver(buttonEvent(K::ButtonDown, 0));
        runFrame();
      } else {
        click(k.button);
      }
    }
    for (int i = 0; i < 10; ++i) runFrame();  // held or released, nothing repeats
    EXPECT_EQ(g_game.current_level, c.level) << "after " << c.clicks.size() << " clicks";
    EXPECT_EQ(g_game.level_change_frame, c.change_frame);
  }
}

// The start lock ends at frame 120 and the lock after a level build 60 frames
// after it, each exactly: one frame earlier the controls are still locked.
TEST_F(Frames, EachLockEndsAtItsExactFrame) {
  struct Case {
    std::uint32_t change_frame, now;
    bool enabled;
  };
  for (const Case c : {Case{0, 119, false}, Case{0, 120, true}, Case{200, 259, false},
                       Case{200, 260, true}, Case{100, 159, false}, Case{100, 160, true},
                       Case{0xFFFFFFF0u, 0x2Au, false}, Case{0xFFFFFFF0u, 0x7Fu, true}}) {
    g_game.level_change_frame = c.change_frame;
    mw.presented_frames = c.now;
    EXPECT_EQ(g_game.controlsEnabled(), c.enabled) << c.change_frame << " " << c.now;
  }
}

TEST_F(Frames, ALevelChangePlacesTheShipsAtTheNewStart) {
  start();
  click(1);
  EXPECT_EQ(g_game.ships[0].heading, 2048);
  EXPECT_EQ(g_game.ships[1].heading, 0);
  EXPECT_EQ(g_game.ships[1].x, 213 * 256);
  EXPECT_EQ(px(0, 0), BLACK);
  EXPECT_EQ(px(0, 479), WHITE);
}

TEST_F(Frames, AFrameAfterAResizeSkipsTheErasePass) {
  start();
  // A shot crossing the white half, 4 pixels a frame, erased in white.
  constexpr ColourIndex MARK = 100;
  g_game.shots.launch(500 * 256, 400 * 256, 1024, 0, 0, 0, MARK, WHITE);
  runFrame();
  EXPECT_EQ(px(504, 400), MARK);
  // The resize's own paint draws into a new, black buffer: nothing of the
  // last frame is there to erase, so no white square appears where it was.
  deliver(sizeEvent(K::Resize, 640, 480));
  EXPECT_EQ(mw.frames_since_resize, 1u);
  EXPECT_EQ(px(508, 400), MARK);
  EXPECT_EQ(px(504, 400), BLACK);
  runFrame();
  EXPECT_EQ(px(508, 400), WHITE) << "erased again from the next frame on";
}

// A report box runs its own message loop: a paint it delivers while the frame
// is being painted is acknowledged and skipped, not run as a frame inside it.
TEST_F(Frames, APaintWhileAReportIsOpenIsSkipped) {
  makeBuffer(640, 480);
  g_game.current_level = 99;  // builds no level: the first frame reports 7238
  int boxes = 0;
  headless::setBoxHook([&](const headless::Box&) {
    if (boxes++ == 0) SendMessageA(hwnd, WM_PAINT, 0, 0);
  });
  runFrame();
  headless::setBoxHook(nullptr);
  ASSERT_EQ(headless::boxes().size(), 1u) << "no report of a paint begun twice or ended early";
  EXPECT_EQ(headless::boxes()[0].text.rfind("Error 7238 ", 0), 0u);
  EXPECT_EQ(mw.presented_frames, 1u);
  EXPECT_EQ(headless::audioCalls(headless::AudioCall::Create), 1) << "one first frame";
  EXPECT_FALSE(g_game.painting_frame);
}

TEST_F(Frames, WholeFramesOnWindowsOfAnySize) {
  // Firing ships, impacts, border and probes on every size down to nothing:
  // the sanitizer build sees any touch outside the pixel memory.
  const int sizes[][2] = {{1, 1}, {2, 2}, {3, 7}, {9, 7}, {17, 15}, {19, 14}, {40, 9}, {0, 0}};
  for (const auto& size : sizes) {
    resetProgramState();
    hwnd = openMainWindow();
    makeBuffer(size[0], size[1]);
    runFrame();
    click(1);
    mw.presented_frames = 300;
    g_shell.KeyState[SHIP_KEY_BACK] = g_shell.KeyState[SHIP_KEY_ON] = 1;
    g_shell.MouseButtons[0] = g_shell.MouseButtons[1] = 1;
    for (int i = 0; i < 40; ++i) runFrame();
    EXPECT_EQ(mw.presented_frames, 340u);
  }
}

}  // namespace
