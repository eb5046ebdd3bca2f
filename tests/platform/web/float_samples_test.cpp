// The Web Audio output plays floats: a checked WAV file's samples must come
// out in -1..1, one channel after the other, for both encodings.
#include "platform/web/float_samples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

using platform::audio::WavInfo;

TEST(FloatSamples, BothEncodingsBecomePlanarChannels) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> data;
    std::uint16_t channels;
    std::uint16_t bits;
    std::vector<float> want;
  };
  const Case cases[] = {
      {"8-bit mono: unsigned around 128",
       {0, 64, 128, 192, 255},
       1,
       8,
       {-1.0f, -0.5f, 0.0f, 0.5f, 127.0f / 128.0f}},
      {"16-bit mono: signed little-endian",
       {0x00, 0x80, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x40, 0xFF, 0x7F},
       1,
       16,
       {-1.0f, -1.0f / 32768.0f, 0.0f, 0.5f, 32767.0f / 32768.0f}},
      {"8-bit stereo: left channel first",
       {0, 255, 128, 64},
       2,
       8,
       {-1.0f, 0.0f, 127.0f / 128.0f, -0.5f}},
      {"16-bit stereo",
       {0x00, 0x40, 0x00, 0xC0, 0x01, 0x00, 0xFF, 0xFF},
       2,
       16,
       {0.5f, 1.0f / 32768.0f, -0.5f, -1.0f / 32768.0f}},
  };
  for (const Case& c : cases) {
    // The data sits after a header, as in a file.
    std::vector<std::uint8_t> file(12 + c.data.size(), 0xAA);
    std::copy(c.data.begin(), c.data.end(), file.begin() + 12);
    WavInfo wav;
    wav.channels = c.channels;
    wav.bits = c.bits;
    wav.rate = 22050;
    wav.data_offset = 12;
    wav.data_size = c.data.size();
    ASSERT_EQ(platform::audio::wavFrames(wav) * c.channels, c.want.size()) << c.name;
    std::vector<float> out(c.want.size(), 99.0f);
    platform::audio::planarFloatSamples(file.data(), wav, out.data());
    for (std::size_t i = 0; i < out.size(); ++i)
      EXPECT_FLOAT_EQ(out[i], c.want[i]) << c.name << " " << i;
  }
}

}  // namespace
