// Sound files as every backend reads them: the whole file into memory, then
// checked as a WAV file, so a missing, unreadable or malformed file gets the
// same result whatever plays it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/audio.h"

namespace platform::audio {

// Larger files are refused (AUDIO_ERR_FILE_UNSUPPORTED): a short effect is a
// few hundred kilobytes, and the size must fit the output's loaders.
inline constexpr std::size_t WAV_FILE_LIMIT = std::size_t{64} * 1024 * 1024;

// The playable part of a checked WAV file: PCM samples, interleaved.
struct WavInfo {
  std::uint16_t channels = 0;  // 1 or 2
  std::uint32_t rate = 0;      // sample frames per second
  std::uint16_t bits = 0;      // 8 (unsigned) or 16 (signed) per sample
  std::size_t data_offset = 0;
  std::size_t data_size = 0;  // a whole number of sample frames, at least one
};

// Checks a whole file: the RIFF/WAVE frame, chunks within it, one "fmt " chunk
// before the "data" chunk. AUDIO_OK and *info, AUDIO_ERR_FILE_MALFORMED, or
// AUDIO_ERR_FILE_UNSUPPORTED for an encoding other than 8- or 16-bit PCM in
// one or two channels.
AudioResult parseWav(const std::uint8_t* bytes, std::size_t size, WavInfo* info);

struct FreeBytes {
  void operator()(std::uint8_t* p) const { std::free(p); }
};

struct FileBytes {
  std::unique_ptr<std::uint8_t[], FreeBytes> data;
  std::size_t size = 0;
};

// Reads the named file whole: AUDIO_ERR_FILE_NOT_FOUND when nothing has that
// name, AUDIO_ERR_FILE_UNREADABLE when it cannot be read (a folder, no
// permission, a read error), AUDIO_ERR_FILE_UNSUPPORTED above WAV_FILE_LIMIT.
AudioResult readFile(const char* name, FileBytes* out);

}  // namespace platform::audio
