// The game's state as a value: a restore puts back every byte the frames
// after the save changed, so the same frames run again give the same
// pictures and ships, on every level and after resizes; each part of the
// state is needed; blocks of another geometry or malformed are refused.
#include "game/saved_state.h"

#include <algorithm>

#include "tests/game/rerun_test.h"

namespace {

using K = platform::NativeEventKind;

constexpr int RERUN_FRAMES = 300;

struct Scenario {
  const char* name;
  Play play;
  std::uint32_t save_frame;
  int width = -1, height = -1;  // the client size at the start; -1: the default
  std::vector<Resize> resizes = {};
};

const Scenario SCENARIOS[] = {
    {"level 3, both firing", {0}, 200},
    {"level 2", {1}, 150},
    {"level 1, late", {2}, 400},
    {"level 0", {3}, 250},
    {"saved in the start lock, the level picked after it", {3}, 2},
    {"started at 401 x 299", {1}, 180, 401, 299},
    {"resized twice, saved on the frame after",
     {2},
     141,
     -1,
     -1,
     {{60, 400, 300}, {140, 517, 377}}},
    {"resized to 1 x 1", {0}, 131, -1, -1, {{130, 1, 1}}},
    {"resized to nothing: no buffer", {0}, 131, -1, -1, {{130, 0, 0}}},
};

class SavedState : public RerunTest {
 protected:
  std::vector<std::uint8_t> block;

  // Starts the scenario's game and runs it to its save frame (resizes
  // through the window); the state there is not saved yet.
  void runTo(const Scenario& s) {
    startGame(s.width, s.height);
    std::size_t next = 0;
    while (mw.presented_frames < s.save_frame) {
      if (next < s.resizes.size() && s.resizes[next].frame == mw.presented_frames) {
        tickRandom();
        deliver(sizeEvent(K::Resize, s.resizes[next].width, s.resizes[next].height));
        ++next;
      } else {
        step(s.play);
      }
    }
  }
  void restart() {
    resetProgramState();
    hwnd = openMainWindow();
  }
  bool save(std::uint32_t parts = SAVED_ALL) {
    block.assign(savedStateSize(), 0);
    return saveState(block.data(), block.size(), parts);
  }
  bool restore() { return restoreState(block.data(), block.size()); }
};

// The same frames run again from a restore give the same frames, and the
// restore gives back every byte the first run changed. What frames read but
// never write (the colours, the border's colour, the ships' numbers) comes
// back too: restored into a program that has only its window and a buffer of
// the same size, not even its first frame, the game goes on as saved.
TEST_F(SavedState, TheSameFramesRunAgainFromARestore) {
  for (const Scenario& s : SCENARIOS) {
    SCOPED_TRACE(s.name);
    restart();
    runTo(s);
    if (mw.hasPixels()) {
      EXPECT_EQ(savedStateSize(mw.width, mw.height), savedStateSize());
    }
    const int width = mw.width;
    const int height = mw.height;
    const Memory saved = Memory::now();
    ASSERT_TRUE(save());
    const std::vector<FrameRecord> first = steps(s.play, RERUN_FRAMES);
    ASSERT_NE(Memory::now().differences(saved), "") << "the frames changed nothing";
    ASSERT_TRUE(restore());
    EXPECT_EQ(Memory::now().differences(saved), "");
    EXPECT_TRUE(steps(s.play, RERUN_FRAMES) == first);
    EXPECT_TRUE(headless::boxes().empty());

    restart();
    platform::deliverNativeEvent(sizeEvent(K::Resize, width, height));
    CreateBackBuffer(&mw, nullptr);
    ASSERT_TRUE(restore());
    EXPECT_TRUE(steps(s.play, RERUN_FRAMES) == first) << "in a program that ran no frame";
  }
}

// Proof that the checks above can fail: a block without one part restores a
// state that either leaves memory unlike the saved or runs other frames.
TEST_F(SavedState, EveryPartLeftOutIsMissed) {
  struct Case {
    std::uint32_t part;
    const char* name;
    std::uint32_t save_frame;  // 2: the level is picked after the save
  };
  const Case cases[] = {
      {SAVED_SHIPS, "ships", 200},   {SAVED_SHOTS, "shots", 200},
      {SAVED_LEVEL, "level", 2},     {SAVED_SOUND_REQUESTS, "sound requests", 200},
      {SAVED_RANDOM, "random", 200}, {SAVED_FRAME_COUNTERS, "frame counters", 200},
      {SAVED_INPUT, "input", 200},   {SAVED_PIXELS, "pixels", 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    const Play play{3};
    runTo(Scenario{"", play, c.save_frame - 1});
    // The last frame before the save through the window: its sound
    // requests wait for the idle pass, so they are state (a hit is added so
    // that they are never empty).
    paint(play);
    g_game.sound.request(SOUND_REQ_HIT);
    const Memory saved = Memory::now();
    ASSERT_TRUE(save(SAVED_ALL & ~c.part));
    const std::vector<FrameRecord> first = steps(play, RERUN_FRAMES);
    ASSERT_TRUE(restore());
    const bool memory_differs = Memory::now().differences(saved) != "";
    const bool frames_differ = !(steps(play, RERUN_FRAMES) == first);
    EXPECT_TRUE(memory_differs || frames_differ);
  }
}

TEST_F(SavedState, BlocksOfAnotherGeometryOrMalformedAreRefusedAndChangeNothing) {
  struct Case {
    const char* name;
    int saved_width, saved_height;  // the client size saved at
    int width, height;              // and at restore
    std::size_t bad_byte;           // a header byte changed, or none
    long size_change;               // bytes added to the block's size
  };
  constexpr std::size_t NONE = ~std::size_t{0};
  const Case cases[] = {
      {"the same geometry", 400, 300, 400, 300, NONE, 0},
      {"another height", 400, 300, 400, 301, NONE, 0},
      {"another width, same stride", 401, 300, 403, 300, NONE, 0},
      {"another stride", 400, 300, 401, 300, NONE, 0},
      {"saved with a buffer, none now", 400, 300, 0, 0, NONE, 0},
      {"saved without a buffer, one now", 0, 0, 400, 300, NONE, 0},
      {"no marker", 400, 300, 400, 300, 0, 0},
      {"another layout", 400, 300, 400, 300, 4, 0},
      {"unknown parts", 400, 300, 400, 300, 11, 0},
      {"a byte short", 400, 300, 400, 300, NONE, -1},
      {"a byte over", 400, 300, 400, 300, NONE, 1},
      {"too short for a header", 400, 300, 400, 300, NONE,
       -static_cast<long>(savedStateSize(400, 300)) + 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart();
    startGame(c.saved_width, c.saved_height);
    steps(Play{}, 5);
    ASSERT_TRUE(save());
    EXPECT_EQ(block.size(), savedStateSize(c.saved_width, c.saved_height));
    if (c.bad_byte != NONE) block[c.bad_byte] ^= 0x80;
    block.resize(static_cast<std::size_t>(static_cast<long>(block.size()) + c.size_change));
    tickRandom();
    deliver(sizeEvent(K::Resize, c.width, c.height));
    steps(Play{}, 3);
    const Memory before = Memory::now();
    const bool same = c.bad_byte == NONE && c.size_change == 0 && c.width == c.saved_width &&
                      c.height == c.saved_height;
    EXPECT_EQ(restore(), same);
    if (!same) {
      EXPECT_EQ(Memory::now().differences(before), "");
    }
  }
}

TEST_F(SavedState, ASaveIntoAMissingOrShortBlockWritesNothing) {
  startGame();
  std::vector<std::uint8_t> short_block(savedStateSize() - 1, 0xA5);
  EXPECT_FALSE(saveState(short_block.data(), short_block.size()));
  EXPECT_EQ(std::count(short_block.begin(), short_block.end(), 0xA5),
            static_cast<long>(short_block.size()));
  EXPECT_FALSE(saveState(nullptr, savedStateSize()));
  EXPECT_FALSE(restoreState(nullptr, savedStateSize()));
}

}  // namespace
