// Fuzz target: parseWav on any bytes, in a buffer of exactly their size. The
// answer is one of the file results, and a file taken as good describes a
// playable sound that lies wholly inside the buffer.
#include <cstdint>

#include "fuzz/fuzz_input.h"
#include "platform/audio/wav.h"

using platform::audio::parseWav;
using platform::audio::WavInfo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  WavInfo info;
  const AudioResult result = parseWav(bytes.data(), bytes.size(), &info);
  FUZZ_CHECK(result == AUDIO_OK || result == AUDIO_ERR_FILE_MALFORMED ||
             result == AUDIO_ERR_FILE_UNSUPPORTED);
  if (result != AUDIO_OK) return 0;
  FUZZ_CHECK(info.channels == 1 || info.channels == 2);
  FUZZ_CHECK(info.bits == 8 || info.bits == 16);
  FUZZ_CHECK(info.rate > 0);
  const std::size_t frame = std::size_t{info.channels} * (info.bits / 8u);
  FUZZ_CHECK(info.data_size > 0 && info.data_size % frame == 0);
  FUZZ_CHECK(info.data_offset >= 20 && info.data_offset <= size &&
             info.data_size <= size - info.data_offset);
  // Every sample is read, as an output does: outside the buffer ASan stops it.
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < info.data_size; ++i) sum += bytes[info.data_offset + i];
  FUZZ_CHECK(sum <= 255u * info.data_size);
  return 0;
}
