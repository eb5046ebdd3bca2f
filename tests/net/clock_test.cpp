// The game clock's milliseconds from the performance counter, for any uptime.
#include <gtest/gtest.h>

#include <cstdint>

#include "net/clock.h"

namespace net {
namespace {

TEST(GameClock, MillisecondsNeverWrapWhateverTheCounter) {
  // count * 1000 wraps past 2^64 from this count on.
  constexpr std::uint64_t WRAP = UINT64_MAX / 1000;
  const struct {
    std::uint64_t count;
    std::uint64_t frequency;
    std::uint64_t ms;
  } cases[] = {
      {0, 1000000000, 0},
      {999999, 1000000000, 0},
      {1000000, 1000000000, 1},
      {WRAP, 1000000000, 18446744073},  // nanoseconds: 213 days, in milliseconds
      {WRAP + 1, 1000000000, 18446744073},
      {WRAP + 1000000, 1000000000, 18446744074},
      {9223372036854775807, 1000000000, 9223372036854},  // near 2^63
      {9223372036854775807, 10000000, 922337203685477},
      {9223372036854775807, 1000, 9223372036854775807},
      {9223372036854775807, 3579545, 2576688388288113},
      {WRAP, 3579545, 5153376776576},
      {WRAP + 1, 3579545, 5153376776576},
      {3579544, 3579545, 999},
      {3579545, 3579545, 1000},
      {12345, 0, 0},  // no counter
  };
  for (const auto& c : cases) {
    EXPECT_EQ(counterMilliseconds(c.count, c.frequency), c.ms)
        << c.count << " at " << c.frequency << " a second";
  }
  // Milliseconds go up by one per millisecond across the wrap point.
  const std::uint64_t before = counterMilliseconds(WRAP - 1000000, 1000000000);
  EXPECT_EQ(counterMilliseconds(WRAP + 1000000, 1000000000), before + 2);
}

}  // namespace
}  // namespace net
