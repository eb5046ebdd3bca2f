// The checksum of a frame's picture: CRC-32 (the polynomial of zlib and PNG)
// of the back buffer's pixel memory. The recorder's checkpoints, watching,
// the network's comparison of the two games and the replay runner's lines all
// take this one value, so none can drift from another; it is computed here
// rather than by zlib because the browser build has no zlib.
#pragma once

#include <cstddef>
#include <cstdint>

namespace record {

// Continues `crc` (0 to start) over size bytes.
std::uint32_t crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// The CRC-32 of the main window's pixel memory (height x stride bytes); 0
// while there is no back buffer.
std::uint32_t frameChecksum();

}  // namespace record
