// SipHash-2-4: a keyed hash that nobody without the key can forge or steer,
// for the host's cookies (a CRC, being linear, could be forged).
#pragma once

#include <cstddef>
#include <cstdint>

namespace net {

std::uint64_t sipHash24(const std::uint8_t key[16], const std::uint8_t* data, std::size_t size);

}  // namespace net
