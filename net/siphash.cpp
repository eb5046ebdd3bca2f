#include "net/siphash.h"

namespace net {

namespace {

constexpr std::uint64_t rotl(std::uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

std::uint64_t load64(const std::uint8_t* p) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

struct State {
  std::uint64_t v0, v1, v2, v3;
  void round() {
    v0 += v1;
    v1 = rotl(v1, 13);
    v1 ^= v0;
    v0 = rotl(v0, 32);
    v2 += v3;
    v3 = rotl(v3, 16);
    v3 ^= v2;
    v0 += v3;
    v3 = rotl(v3, 21);
    v3 ^= v0;
    v2 += v1;
    v1 = rotl(v1, 17);
    v1 ^= v2;
    v2 = rotl(v2, 32);
  }
  void absorb(std::uint64_t m) {
    v3 ^= m;
    round();
    round();
    v0 ^= m;
  }
};

}  // namespace

std::uint64_t sipHash24(const std::uint8_t key[16], const std::uint8_t* data, std::size_t size) {
  const std::uint64_t k0 = load64(key);
  const std::uint64_t k1 = load64(key + 8);
  State s{k0 ^ 0x736f6d6570736575ull, k1 ^ 0x646f72616e646f6dull, k0 ^ 0x6c7967656e657261ull,
          k1 ^ 0x7465646279746573ull};
  const std::size_t whole = size - size % 8;
  for (std::size_t i = 0; i < whole; i += 8) s.absorb(load64(data + i));
  // The last block: the bytes left and the length's low byte on top.
  std::uint64_t last = static_cast<std::uint64_t>(size & 0xFF) << 56;
  for (std::size_t i = 0; i < size % 8; ++i) last |= std::uint64_t{data[whole + i]} << (8 * i);
  s.absorb(last);
  s.v2 ^= 0xFF;
  for (int i = 0; i < 4; ++i) s.round();
  return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

}  // namespace net
