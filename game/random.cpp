#include "game/random.h"

#include "shell/reports.h"

RandomChannels g_random;

// clang-format off
const std::uint8_t PermutationTable[256] = {
    181, 137, 148, 74,  77,  198, 4,   195, 209, 182, 12,  106, 221, 202, 96,  246,
    223, 14,  243, 93,  134, 196, 152, 120, 76,  159, 166, 68,  72,  212, 211, 151,
    252, 233, 58,  178, 251, 62,  27,  255, 173, 147, 26,  205, 73,  98,  103, 71,
    41,  42,  105, 84,  162, 53,  48,  149, 21,  117, 232, 67,  201, 97,  235, 161,
    110, 25,  144, 234, 214, 6,   139, 174, 129, 132, 119, 90,  104, 69,  16,  100,
    125, 40,  121, 66,  240, 168, 130, 118, 193, 153, 213, 5,   54,  19,  85,  33,
    0,   49,  116, 91,  38,  180, 238, 136, 23,  194, 126, 24,  43,  237, 114, 70,
    192, 172, 8,   83,  60,  123, 65,  87,  124, 29,  236, 89,  56,  254, 7,   88,
    140, 138, 217, 185, 127, 46,  108, 109, 227, 95,  75,  57,  150, 224, 122, 175,
    191, 157, 200, 207, 52,  245, 17,  203, 31,  30,  44,  183, 55,  102, 231, 107,
    188, 111, 242, 165, 47,  20,  249, 101, 36,  247, 143, 113, 177, 179, 13,  133,
    206, 32,  244, 204, 230, 197, 225, 156, 220, 222, 1,   190, 215, 208, 112, 80,
    39,  241, 63,  135, 229, 167, 59,  50,  228, 210, 45,  28,  3,   187, 37,  115,
    142, 239, 253, 79,  169, 171, 94,  155, 219, 128, 11,  15,  154, 9,   2,   10,
    81,  131, 18,  64,  61,  170, 184, 164, 92,  22,  158, 78,  218, 82,  35,  176,
    141, 145, 51,  86,  189, 160, 99,  146, 248, 34,  226, 216, 186, 199, 250, 163,
};
// clang-format on

namespace {
std::uint8_t pt(int i) { return PermutationTable[i & 0xFF]; }
bool validChannel(std::int32_t channel) { return channel >= 0 && channel < RANDOM_CHANNELS; }
}  // namespace

void seedRandom(std::uint8_t seed) {
  g_random.counter_a = seed;
  g_random.counter_b = static_cast<std::uint8_t>(255 - seed);
  int v = seed;
  int k = 0;
  for (auto& c : g_random.channels) {
    if (v > 255) v -= 256;
    c.position = static_cast<std::uint8_t>(v);
    if (k >= 8) k = 0;
    c.mode = static_cast<std::uint8_t>(k);
    c.locked = 0;
    v += 100;
    k += 1;
  }
}

void tickRandom() {
  g_random.counter_b =
      g_random.counter_b == 255 ? 0 : static_cast<std::uint8_t>(g_random.counter_b + 1);
}

std::uint8_t randomByte(std::int32_t channel) {
  if (!validChannel(channel)) {
    // Only fifteen channels exist: nothing to step, nothing to draw.
    ReportError(5135);
    return 0;
  }
  g_random.counter_a =
      g_random.counter_a == 255 ? 0 : static_cast<std::uint8_t>(g_random.counter_a + 1);
  RandomChannel& c = g_random.channels[channel];
  if (c.position < 255) {
    ++c.position;
  } else {
    c.position = 0;
    int mode = c.mode + 1;
    if (c.locked == 0) {
      if (g_random.counter_b % 8 == 0) ++mode;
      if (g_random.counter_a % 16 == 0) ++mode;
    }
    if (mode >= 8) mode = 0;
    c.mode = static_cast<std::uint8_t>(mode);
  }
  const int p = c.position;
  switch (c.mode) {
    case 0:
      return pt(p);
    case 1:
      return pt(pt(p));
    case 2:
      return pt(255 - p);
    case 3:
      return pt(255 - pt(p));
    case 4:
      return pt(pt(255 - p));
    case 5: {
      const std::uint8_t v = pt(p);
      return static_cast<std::uint8_t>(((v & 0x0F) << 4) | (v >> 4));
    }
    case 6:
      return pt(255 - pt(255 - p));
    case 7: {
      const std::uint8_t v = pt(p);
      return static_cast<std::uint8_t>(((v & 3) << 6) | (v >> 6));
    }
    default:
      ReportError(5137);
      return pt(p);
  }
}

void lockRandomChannel(std::int32_t channel) {
  if (!validChannel(channel)) {
    ReportError(5135);
    return;
  }
  g_random.channels[channel].locked = 1;
}
