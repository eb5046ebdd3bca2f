// A software mix of the library's channels into 16-bit stereo at one fixed
// rate, for outputs that are handed buffers to fill (waveOut on Windows).
// Sounds keep their file's encoding and rate and are resampled as they play,
// so a sound costs one copy of its samples whatever its rate.
// Not thread-safe: an output that mixes on a thread of its own holds one lock
// around every call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/audio.h"
#include "platform/audio/wav.h"

namespace platform::audio {

inline constexpr int MIX_RATE = 44100;  // sample frames per second
inline constexpr int MIX_CHANNELS = 2;  // interleaved left, right

struct MixSound {
  std::uint8_t* samples = nullptr;  // the file's data chunk, copied
  std::uint32_t frames = 0;
  std::uint16_t channels = 0;  // 1 or 2
  std::uint16_t bits = 0;      // 8 (unsigned) or 16 (signed, little-endian)
  std::uint64_t step = 0;      // source frames per output frame, 32.32 fixed point
};

struct MixVoice {
  int sound = -1;             // -1: quiet
  std::uint64_t at = 0;       // source position, 32.32 fixed point
  std::uint32_t started = 0;  // order of the start, for taking the longest-playing voice
};

struct Mixer {
  MixSound sounds[AUDIO_MAX_SOUNDS];
  MixVoice voices[AUDIO_MAX_CHANNELS];
  int voice_count = 0;
  std::uint32_t starts = 0;

  // Makes `count` (1..AUDIO_MAX_CHANNELS) voices, all quiet.
  void open(int count);
  // Quiets every voice; loaded sounds stay loaded.
  void close();
  // Copies the samples of a checked WAV file as sound `index` (free).
  // AUDIO_ERR_OUT_OF_MEMORY when the copy cannot be made.
  AudioResult load(int index, const std::uint8_t* file, const WavInfo& wav);
  // Frees sound `index` and quiets the voices playing it.
  void unload(int index);
  // Starts sound `index` from its beginning on a quiet voice or, with every
  // voice busy, on the one that has played longest: a new event matters more
  // than the tail of an old one.
  void play(int index);
  // The next `frames` sample frames of every voice summed and clipped into
  // `out` (MIX_CHANNELS samples a frame); silence where nothing plays.
  void mix(std::int16_t* out, std::size_t frames);
  // Voices playing now.
  int busyVoices() const;
};

}  // namespace platform::audio
