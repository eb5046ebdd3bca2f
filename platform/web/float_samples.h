// A checked WAV file's samples as floating-point channels, the form Web Audio
// plays (platform/web/audio.cpp). Plain C++, tested in the native build.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/audio/wav.h"

namespace platform::audio {

// Sample frames in the file's data.
std::size_t wavFrames(const WavInfo& wav);

// Writes the samples of `file` (checked by parseWav into `wav`) as floats in
// -1..1, one channel after the other: `out` holds channels x wavFrames(wav)
// values. 8-bit samples are unsigned around 128, 16-bit ones signed little-endian.
void planarFloatSamples(const std::uint8_t* file, const WavInfo& wav, float* out);

}  // namespace platform::audio
