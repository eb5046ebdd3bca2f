// CRC-32 (the polynomial of zlib and PNG), so that a recording's checkpoints
// are the values the replay runner prints, also where there is no zlib.
#pragma once

#include <cstddef>
#include <cstdint>

namespace input {

// Continues `crc` (0 to start) over size bytes.
std::uint32_t crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

}  // namespace input
