#include "platform/web/float_samples.h"

namespace platform::audio {

std::size_t wavFrames(const WavInfo& wav) {
  const std::size_t frame_bytes = std::size_t{wav.channels} * (wav.bits / 8u);
  return frame_bytes == 0 ? 0 : wav.data_size / frame_bytes;
}

void planarFloatSamples(const std::uint8_t* file, const WavInfo& wav, float* out) {
  const std::size_t frames = wavFrames(wav);
  const std::size_t channels = wav.channels;
  const std::uint8_t* data = file + wav.data_offset;
  for (std::size_t f = 0; f < frames; ++f) {
    for (std::size_t c = 0; c < channels; ++c) {
      const std::size_t sample = f * channels + c;
      float value = 0.0f;
      if (wav.bits == 8) {
        value = static_cast<float>(static_cast<int>(data[sample]) - 128) / 128.0f;
      } else {
        const auto raw = static_cast<std::uint16_t>(data[2 * sample] | (data[2 * sample + 1] << 8));
        value = static_cast<float>(static_cast<std::int16_t>(raw)) / 32768.0f;
      }
      out[c * frames + f] = value;
    }
  }
}

}  // namespace platform::audio
