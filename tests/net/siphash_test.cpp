// The cookies' keyed hash, held to SipHash-2-4's published vectors (key
// 00 01 .. 0f, messages 00 01 .. of each length), and the random source.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "net/random.h"
#include "net/siphash.h"

namespace net {
namespace {

TEST(SipHash, ThePublishedVectors) {
  std::uint8_t key[16];
  std::uint8_t message[64];
  for (int i = 0; i < 16; ++i) key[i] = static_cast<std::uint8_t>(i);
  for (int i = 0; i < 64; ++i) message[i] = static_cast<std::uint8_t>(i);
  const struct {
    std::size_t length;
    std::uint64_t hash;
  } cases[] = {
      {0, 0x726fdb47dd0e0e31ull},  {1, 0x74f839c593dc67fdull},  {7, 0xab0200f58b01d137ull},
      {8, 0x93f5f5799a932462ull},  {15, 0xa129ca6149be45e5ull}, {16, 0x3f2acc7f57c29bdbull},
      {63, 0x958a324ceb064572ull},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sipHash24(key, message, c.length), c.hash) << c.length << " bytes";
  }
}

TEST(SecureRandom, GivesDifferentValuesEachTime) {
  std::set<std::uint64_t> seen;
  for (int i = 0; i < 100; ++i) {
    std::uint64_t v = 0;
    ASSERT_TRUE(secureRandom(&v, sizeof v));
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 100u);
}

}  // namespace
}  // namespace net
