#include "platform/audio/wav.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform::audio {
namespace {

constexpr std::uint16_t WAV_FORMAT_PCM = 1;
constexpr std::uint32_t FMT_MIN_SIZE = 16;
constexpr std::size_t RIFF_HEADER_SIZE = 12;
constexpr std::size_t CHUNK_HEADER_SIZE = 8;
constexpr std::size_t READ_STEP = 64 * 1024;

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

bool isTag(const std::uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

AudioResult parseFormat(const std::uint8_t* body, std::uint32_t size, WavInfo* info) {
  if (size < FMT_MIN_SIZE) return AUDIO_ERR_FILE_MALFORMED;
  const std::uint16_t format = le16(body);
  const std::uint16_t channels = le16(body + 2);
  const std::uint32_t rate = le32(body + 4);
  const std::uint32_t byte_rate = le32(body + 8);
  const std::uint16_t block_align = le16(body + 12);
  const std::uint16_t bits = le16(body + 14);
  if (format != WAV_FORMAT_PCM) return AUDIO_ERR_FILE_UNSUPPORTED;
  if (channels == 0 || rate == 0 || bits == 0) return AUDIO_ERR_FILE_MALFORMED;
  if (channels > 2 || (bits != 8 && bits != 16)) return AUDIO_ERR_FILE_UNSUPPORTED;
  const std::uint32_t frame_bytes = std::uint32_t{channels} * (bits / 8u);
  if (block_align != frame_bytes || byte_rate != std::uint64_t{rate} * frame_bytes) {
    return AUDIO_ERR_FILE_MALFORMED;
  }
  info->channels = channels;
  info->rate = rate;
  info->bits = bits;
  return AUDIO_OK;
}

}  // namespace

AudioResult parseWav(const std::uint8_t* bytes, std::size_t size, WavInfo* info) {
  if (bytes == nullptr || info == nullptr || size < RIFF_HEADER_SIZE) {
    return AUDIO_ERR_FILE_MALFORMED;
  }
  if (!isTag(bytes, "RIFF") || !isTag(bytes + 8, "WAVE")) return AUDIO_ERR_FILE_MALFORMED;
  // A RIFF length beyond the end of the file means a file cut short.
  const std::uint64_t riff_end = std::uint64_t{8} + le32(bytes + 4);
  if (riff_end > size) return AUDIO_ERR_FILE_MALFORMED;
  WavInfo found;
  bool have_format = false;
  std::uint64_t at = RIFF_HEADER_SIZE;
  while (at + CHUNK_HEADER_SIZE <= riff_end) {
    const std::uint8_t* header = bytes + at;
    const std::uint32_t chunk_size = le32(header + 4);
    const std::uint64_t body = at + CHUNK_HEADER_SIZE;
    if (body + chunk_size > riff_end) return AUDIO_ERR_FILE_MALFORMED;
    if (isTag(header, "fmt ")) {
      if (have_format) return AUDIO_ERR_FILE_MALFORMED;
      const AudioResult r = parseFormat(bytes + body, chunk_size, &found);
      if (r != AUDIO_OK) return r;
      have_format = true;
    } else if (isTag(header, "data")) {
      if (!have_format) return AUDIO_ERR_FILE_MALFORMED;
      const std::uint32_t frame_bytes = std::uint32_t{found.channels} * (found.bits / 8u);
      if (chunk_size == 0 || chunk_size % frame_bytes != 0) return AUDIO_ERR_FILE_MALFORMED;
      found.data_offset = static_cast<std::size_t>(body);
      found.data_size = chunk_size;
      *info = found;
      return AUDIO_OK;
    }
    // Chunks of odd length are followed by one byte of padding.
    at = body + chunk_size + (chunk_size & 1u);
  }
  return AUDIO_ERR_FILE_MALFORMED;
}

AudioResult readFile(const char* name, FileBytes* out) {
  std::FILE* f = std::fopen(name, "rb");
  if (f == nullptr) {
    return errno == ENOENT || errno == ENOTDIR ? AUDIO_ERR_FILE_NOT_FOUND
                                               : AUDIO_ERR_FILE_UNREADABLE;
  }
  FileBytes file;
  std::size_t capacity = 0;
  AudioResult result = AUDIO_OK;
  for (;;) {
    if (file.size == capacity) {
      if (capacity == WAV_FILE_LIMIT + 1) {
        result = AUDIO_ERR_FILE_UNSUPPORTED;
        break;
      }
      // Room for one byte past the limit tells a file at the limit from a larger one.
      std::size_t grown = capacity == 0 ? READ_STEP : capacity * 2;
      if (grown > WAV_FILE_LIMIT + 1) grown = WAV_FILE_LIMIT + 1;
      auto* bigger = static_cast<std::uint8_t*>(std::realloc(file.data.get(), grown));
      if (bigger == nullptr) {
        result = AUDIO_ERR_OUT_OF_MEMORY;
        break;
      }
      static_cast<void>(file.data.release());
      file.data.reset(bigger);
      capacity = grown;
    }
    const std::size_t want = capacity - file.size;
    const std::size_t got = std::fread(file.data.get() + file.size, 1, want, f);
    file.size += got;
    // A short read is the end of the file or an error (reading a folder is one).
    if (got < want) {
      if (std::ferror(f) != 0) result = AUDIO_ERR_FILE_UNREADABLE;
      break;
    }
  }
  std::fclose(f);
  if (result == AUDIO_OK) *out = std::move(file);
  return result;
}

}  // namespace platform::audio
