// The software mix the Windows output plays through: every encoding and rate
// comes out as 16-bit stereo at the mix rate, voices add up and clip, a new
// sound takes the longest-playing voice when all are busy, and a sound that
// is freed stops.
#include "platform/audio/mixer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using platform::audio::MIX_RATE;
using platform::audio::Mixer;
using platform::audio::WavInfo;

// Samples in their file encoding: bytes of 8-bit samples, or 16-bit values
// written little-endian.
struct Source {
  std::uint16_t bits;
  std::uint16_t channels;
  std::uint32_t rate;
  std::vector<int> samples;
};

std::vector<std::uint8_t> encode(const Source& s) {
  std::vector<std::uint8_t> bytes;
  for (const int v : s.samples) {
    bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
    if (s.bits == 16) bytes.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
  }
  return bytes;
}

class MixerTest : public ::testing::Test {
 protected:
  Mixer mixer_;
  std::vector<std::vector<std::uint8_t>> files_;

  void TearDown() override {
    for (int i = 0; i < AUDIO_MAX_SOUNDS; ++i) mixer_.unload(i);
  }
  void load(int index, const Source& s) {
    files_.push_back(encode(s));
    WavInfo wav;
    wav.bits = s.bits;
    wav.channels = s.channels;
    wav.rate = s.rate;
    wav.data_size = files_.back().size();
    ASSERT_EQ(mixer_.load(index, files_.back().data(), wav), AUDIO_OK);
  }
  // A mono 16-bit sound of `frames` equal samples at the mix rate.
  void loadLevel(int index, int level, int frames) {
    load(index, Source{16, 1, MIX_RATE, std::vector<int>(static_cast<std::size_t>(frames), level)});
  }
  std::vector<int> mix(std::size_t frames) {
    std::vector<std::int16_t> out(frames * 2, 12345);
    mixer_.mix(out.data(), frames);
    return {out.begin(), out.end()};
  }
};

TEST_F(MixerTest, EveryEncodingAndRateComesOutAsStereoAtTheMixRate) {
  struct Case {
    const char* what;
    std::uint16_t bits, channels;
    std::uint32_t rate;
    std::vector<int> samples;
    std::vector<int> out;  // left, right per frame; silence follows
  };
  const Case cases[] = {
      {"16-bit mono", 16, 1, MIX_RATE, {1000, -2000}, {1000, 1000, -2000, -2000}},
      {"16-bit stereo", 16, 2, MIX_RATE, {100, -100, 200, -200}, {100, -100, 200, -200}},
      {"8-bit mono, unsigned", 8, 1, MIX_RATE, {255, 0, 128}, {32512, 32512, -32768, -32768, 0, 0}},
      {"8-bit stereo", 8, 2, MIX_RATE, {129, 127}, {256, -256}},
      {"half rate, interpolated, last frame held",
       16,
       1,
       MIX_RATE / 2,
       {0, 1000},
       {0, 0, 500, 500, 1000, 1000, 1000, 1000}},
      {"double rate, every other frame", 16, 1, MIX_RATE * 2, {0, 10, 20, 30}, {0, 0, 20, 20}},
  };
  for (const Case& c : cases) {
    mixer_.open(5);
    load(0, Source{c.bits, c.channels, c.rate, c.samples});
    mixer_.play(0);
    std::vector<int> want = c.out;
    want.resize(want.size() + 4, 0);
    EXPECT_EQ(mix(want.size() / 2), want) << c.what;
    EXPECT_EQ(mixer_.busyVoices(), 0) << c.what;
    mixer_.unload(0);
  }
}

TEST_F(MixerTest, VoicesAddUpAndClip) {
  struct Case {
    int a, b, sum;
  };
  for (const Case c :
       {Case{1000, -3000, -2000}, Case{30000, 30000, 32767}, Case{-30000, -30000, -32768}}) {
    mixer_.open(5);
    loadLevel(0, c.a, 4);
    loadLevel(1, c.b, 4);
    mixer_.play(0);
    mixer_.play(1);
    EXPECT_EQ(mix(1), (std::vector<int>{c.sum, c.sum})) << c.a << " + " << c.b;
    mixer_.unload(0);
    mixer_.unload(1);
  }
}

TEST_F(MixerTest, ANewSoundTakesTheLongestPlayingVoiceWhenAllAreBusy) {
  mixer_.open(2);
  loadLevel(0, 1, 1000);
  loadLevel(1, 10, 1000);
  loadLevel(2, 100, 1000);
  mixer_.play(0);
  mixer_.play(1);
  mix(10);
  mixer_.play(2);
  EXPECT_EQ(mixer_.busyVoices(), 2);
  EXPECT_EQ(mix(1), (std::vector<int>{110, 110})) << "sound 0 gave way";
  mixer_.play(1);
  EXPECT_EQ(mix(1), (std::vector<int>{110, 110})) << "the older play of sound 1 gave way";
  mixer_.play(0);
  EXPECT_EQ(mix(1), (std::vector<int>{11, 11})) << "then sound 2";
}

TEST_F(MixerTest, PlayingAgainStartsOverBesideTheEarlierPlay) {
  mixer_.open(5);
  load(0, Source{16, 1, MIX_RATE, {1, 2, 4, 8}});
  mixer_.play(0);
  mix(2);
  mixer_.play(0);
  EXPECT_EQ(mix(3), (std::vector<int>{5, 5, 10, 10, 4, 4}));
}

TEST_F(MixerTest, FreeingOrClosingQuietsItsVoices) {
  mixer_.open(5);
  loadLevel(0, 100, 1000);
  loadLevel(1, 7, 1000);
  mixer_.play(0);
  mixer_.play(1);
  mixer_.unload(0);
  EXPECT_EQ(mix(1), (std::vector<int>{7, 7}));
  mixer_.play(0);
  EXPECT_EQ(mix(1), (std::vector<int>{7, 7})) << "a freed sound does not play";
  mixer_.close();
  EXPECT_EQ(mix(1), (std::vector<int>{0, 0}));
  mixer_.play(1);
  EXPECT_EQ(mix(1), (std::vector<int>{0, 0})) << "a closed mixer has no voices";
}

TEST_F(MixerTest, LongMixesComeOutAsTheSameSamplesInOnePieceOrMany) {
  std::vector<int> ramp;
  for (int i = 0; i < 1500; ++i) ramp.push_back(i - 750);
  mixer_.open(1);
  load(0, Source{16, 1, MIX_RATE, ramp});
  mixer_.play(0);
  const std::vector<int> whole = mix(2000);
  mixer_.play(0);
  std::vector<int> pieces;
  for (const std::size_t n : {1u, 511u, 513u, 475u, 500u}) {
    const std::vector<int> piece = mix(n);
    pieces.insert(pieces.end(), piece.begin(), piece.end());
  }
  EXPECT_EQ(pieces, whole);
  EXPECT_EQ(whole[2 * 1499], 749);
  EXPECT_EQ(whole[2 * 1500], 0);
}

}  // namespace
