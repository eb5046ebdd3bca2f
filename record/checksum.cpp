#include "record/checksum.h"

#include <array>

#include "shell/shell_globals.h"

namespace record {

namespace {

// Eight tables, so that eight bytes are folded in per step.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables makeTables() {
  Tables t = {};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (std::size_t i = 0; i < 256; ++i) {
    for (std::size_t k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFFu];
  }
  return t;
}

constexpr Tables TABLES = makeTables();

}  // namespace

std::uint32_t crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  std::uint32_t c = ~crc;
  while (size >= 8) {
    const std::uint32_t low = c ^ (std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 |
                                   std::uint32_t{data[2]} << 16 | std::uint32_t{data[3]} << 24);
    c = TABLES[7][low & 0xFFu] ^ TABLES[6][(low >> 8) & 0xFFu] ^ TABLES[5][(low >> 16) & 0xFFu] ^
        TABLES[4][low >> 24] ^ TABLES[3][data[4]] ^ TABLES[2][data[5]] ^ TABLES[1][data[6]] ^
        TABLES[0][data[7]];
    data += 8;
    size -= 8;
  }
  while (size-- > 0) c = TABLES[0][(c ^ *data++) & 0xFFu] ^ (c >> 8);
  return ~c;
}

std::uint32_t frameChecksum() {
  const MainWindow& mw = g_shell.main_window;
  if (!mw.hasPixels()) return 0;
  return crc32(0, mw.pixel_base,
               static_cast<std::size_t>(mw.height) * static_cast<std::size_t>(mw.stride));
}

}  // namespace record
