// The fifteen random channels.
#include "game/random.h"

#include <gtest/gtest.h>

#include <set>

#include "tests/support/fresh_state.h"

namespace {

class Random : public FreshState {};

TEST_F(Random, PermutationHoldsEveryByteOnce) {
  std::set<int> seen(std::begin(PermutationTable), std::end(PermutationTable));
  EXPECT_EQ(seen.size(), 256u);
}

TEST_F(Random, SeedTenGivesTheListedPositionsAndModes) {
  seedRandom(10);
  const int positions[] = {10, 110, 210, 54, 154, 254, 98, 198, 42, 142, 242, 86, 186, 30, 130};
  const int modes[] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6};
  for (int i = 0; i < RANDOM_CHANNELS; ++i) {
    EXPECT_EQ(g_random.channels[i].position, positions[i]) << i;
    EXPECT_EQ(g_random.channels[i].mode, modes[i]) << i;
    EXPECT_EQ(g_random.channels[i].locked, 0);
  }
  EXPECT_EQ(g_random.counter_a, 10);
  EXPECT_EQ(g_random.counter_b, 245);
  EXPECT_EQ(randomByte(0), 106);
  EXPECT_EQ(g_random.counter_a, 11);
  EXPECT_EQ(g_random.channels[0].position, 11);
}

TEST_F(Random, CountersWrapAtTheirByte) {
  seedRandom(10);
  g_random.counter_b = 255;
  tickRandom();
  EXPECT_EQ(g_random.counter_b, 0);
  g_random.counter_a = 255;
  randomByte(3);
  EXPECT_EQ(g_random.counter_a, 0);
}

TEST_F(Random, PositionWrapStepsTheModeByOneToThree) {
  seedRandom(10);
  RandomChannel& c = g_random.channels[2];
  // Neither bonus: counter B not a multiple of 8, counter A after the step not of 16.
  c.position = 255;
  c.mode = 2;
  g_random.counter_b = 1;
  g_random.counter_a = 1;
  randomByte(2);
  EXPECT_EQ(c.position, 0);
  EXPECT_EQ(c.mode, 3);
  // Both bonuses: +3.
  c.position = 255;
  g_random.counter_b = 8;
  g_random.counter_a = 15;  // becomes 16
  randomByte(2);
  EXPECT_EQ(c.mode, 6);
  // Past 7 wraps to 0, for a locked channel too (which gets no bonus).
  lockRandomChannel(2);
  c.position = 255;
  c.mode = 7;
  randomByte(2);
  EXPECT_EQ(c.mode, 0);
  EXPECT_EQ(c.locked, 1);
}

TEST_F(Random, EachModeMixesThePermutationItsOwnWay) {
  seedRandom(10);
  const auto pt = [](int i) { return PermutationTable[i & 0xFF]; };
  const int p = 41;  // position after the draw
  const int expected[8] = {
      pt(p),
      pt(pt(p)),
      pt(255 - p),
      pt(255 - pt(p)),
      pt(pt(255 - p)),
      ((pt(p) & 0x0F) << 4) | (pt(p) >> 4),
      pt(255 - pt(255 - p)),
      ((pt(p) & 3) << 6) | (pt(p) >> 6),
  };
  for (int mode = 0; mode < 8; ++mode) {
    g_random.channels[5].position = p - 1;
    g_random.channels[5].mode = static_cast<std::uint8_t>(mode);
    EXPECT_EQ(randomByte(5), expected[mode]) << "mode " << mode;
  }
}

TEST_F(Random, ChannelsOutsideTheTableAreReportedAndStepNothing) {
  seedRandom(10);
  const RandomChannels before = g_random;
  EXPECT_EQ(randomByte(15), 0);
  EXPECT_EQ(randomByte(-1), 0);
  lockRandomChannel(15);
  lockRandomChannel(-3);
  ASSERT_EQ(headless::boxes().size(), 4u);
  for (const auto& b : headless::boxes()) {
    EXPECT_EQ(b.text, "Error 5135  Contine?    (err_context=0)");
  }
  EXPECT_EQ(g_random.counter_a, before.counter_a);
  for (int i = 0; i < RANDOM_CHANNELS; ++i) {
    EXPECT_EQ(g_random.channels[i].position, before.channels[i].position);
    EXPECT_EQ(g_random.channels[i].locked, 0);
  }
}

}  // namespace
