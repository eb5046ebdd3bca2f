// Fifteen channels of pseudo-random bytes from a fixed permutation: seeded
// once at start, ticked once per frame, stepped by every draw.
#pragma once

#include <cstdint>

inline constexpr int RANDOM_CHANNELS = 15;

struct RandomChannel {
  std::uint8_t position = 0;
  std::uint8_t mode = 0;  // 0..7
  std::uint8_t locked = 0;
};

struct RandomChannels {
  std::uint8_t counter_a = 0;  // stepped by every draw
  std::uint8_t counter_b = 0;  // stepped once per frame
  RandomChannel channels[RANDOM_CHANNELS];
};

extern RandomChannels g_random;
// The fixed permutation of 0..255 behind every draw.
extern const std::uint8_t PermutationTable[256];

void seedRandom(std::uint8_t seed);
// Steps counter_b only, so this many ticks leave every channel as it was.
inline constexpr int RANDOM_TICK_PERIOD = 256;
void tickRandom();
// A channel outside 0..14 reports 5135 and yields 0 without stepping anything.
std::uint8_t randomByte(std::int32_t channel);
void lockRandomChannel(std::int32_t channel);
