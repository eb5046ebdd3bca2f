// Milliseconds from a performance counter's count and frequency, for any
// uptime: count * 1000 would overflow once a nanosecond counter passes about
// 213 days, so whole seconds and the rest are converted apart.
#pragma once

#include <cstdint>

namespace net {

constexpr std::uint64_t counterMilliseconds(std::uint64_t count, std::uint64_t frequency) {
  if (frequency == 0) return 0;
  const std::uint64_t rest = count % frequency;
  // rest * 1000 fits while the frequency is below 2^64 / 1000 (any real
  // counter); a larger one is scaled down first.
  constexpr std::uint64_t LIMIT = UINT64_MAX / 1000;
  const std::uint64_t rest_ms =
      frequency <= LIMIT ? rest * 1000 / frequency : rest / (frequency / 1000);
  return count / frequency * 1000 + rest_ms;
}

}  // namespace net
