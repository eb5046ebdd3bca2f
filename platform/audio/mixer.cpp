#include "platform/audio/mixer.h"

#include <cstdlib>
#include <cstring>

namespace platform::audio {
namespace {

// Frames summed per pass: the sums of one pass stay on the stack.
constexpr std::size_t MIX_PASS_FRAMES = 512;
constexpr int FRACTION_BITS = 32;
constexpr std::uint64_t FRACTION_MASK = (std::uint64_t{1} << FRACTION_BITS) - 1;

// One sample of the sound as signed 16 bits; a mono sound feeds both sides.
std::int32_t sampleAt(const MixSound& s, std::uint32_t frame, int side) {
  const std::size_t i = std::size_t{frame} * s.channels + (s.channels == 2 ? side : 0);
  if (s.bits == 8) return (std::int32_t{s.samples[i]} - 128) * 256;
  const std::uint8_t* p = s.samples + 2 * i;
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

// Adds up to `frames` frames of the voice into `sums`; quiets it at the end of its sound.
void addVoice(MixVoice& v, const MixSound& s, std::int32_t* sums, std::size_t frames) {
  for (std::size_t f = 0; f < frames; ++f, v.at += s.step) {
    const std::uint64_t frame = v.at >> FRACTION_BITS;
    if (frame >= s.frames) {
      v.sound = -1;
      return;
    }
    const auto here = static_cast<std::uint32_t>(frame);
    const std::uint32_t next = here + 1 < s.frames ? here + 1 : here;
    // Linear interpolation with a 16-bit fraction: the products fit 64 bits easily.
    const auto fraction = static_cast<std::int64_t>((v.at & FRACTION_MASK) >> 16);
    for (int side = 0; side < MIX_CHANNELS; ++side) {
      const std::int64_t a = sampleAt(s, here, side);
      const std::int64_t b = sampleAt(s, next, side);
      sums[f * MIX_CHANNELS + side] += static_cast<std::int32_t>(a + (((b - a) * fraction) >> 16));
    }
  }
}

}  // namespace

void Mixer::open(int count) {
  close();
  voice_count = count;
}

void Mixer::close() {
  for (MixVoice& v : voices) v = MixVoice{};
  voice_count = 0;
}

AudioResult Mixer::load(int index, const std::uint8_t* file, const WavInfo& wav) {
  auto* copy = static_cast<std::uint8_t*>(std::malloc(wav.data_size));
  if (copy == nullptr) return AUDIO_ERR_OUT_OF_MEMORY;
  std::memcpy(copy, file + wav.data_offset, wav.data_size);
  MixSound& s = sounds[index];
  s.samples = copy;
  s.channels = wav.channels;
  s.bits = wav.bits;
  // The checked data is at most WAV_FILE_LIMIT bytes: the frame count fits 32 bits.
  s.frames = static_cast<std::uint32_t>(wav.data_size / (wav.channels * (wav.bits / 8u)));
  s.step = (std::uint64_t{wav.rate} << FRACTION_BITS) / MIX_RATE;
  return AUDIO_OK;
}

void Mixer::unload(int index) {
  for (MixVoice& v : voices) {
    if (v.sound == index) v = MixVoice{};
  }
  std::free(sounds[index].samples);
  sounds[index] = MixSound{};
}

void Mixer::play(int index) {
  if (voice_count <= 0 || sounds[index].samples == nullptr) return;
  MixVoice* chosen = nullptr;
  for (int i = 0; i < voice_count && chosen == nullptr; ++i) {
    if (voices[i].sound < 0) chosen = &voices[i];
  }
  if (chosen == nullptr) {
    // Start numbers wrap; the oldest is the one furthest behind the next number.
    chosen = &voices[0];
    for (int i = 1; i < voice_count; ++i) {
      if (starts - voices[i].started > starts - chosen->started) chosen = &voices[i];
    }
  }
  *chosen = MixVoice{index, 0, starts++};
}

void Mixer::mix(std::int16_t* out, std::size_t frames) {
  std::int32_t sums[MIX_PASS_FRAMES * MIX_CHANNELS];
  while (frames > 0) {
    const std::size_t pass = frames < MIX_PASS_FRAMES ? frames : MIX_PASS_FRAMES;
    std::memset(sums, 0, sizeof sums);
    for (int i = 0; i < voice_count; ++i) {
      if (voices[i].sound >= 0) addVoice(voices[i], sounds[voices[i].sound], sums, pass);
    }
    for (std::size_t i = 0; i < pass * MIX_CHANNELS; ++i) {
      const std::int32_t v = sums[i];
      out[i] = static_cast<std::int16_t>(v > INT16_MAX ? INT16_MAX : v < INT16_MIN ? INT16_MIN : v);
    }
    out += pass * MIX_CHANNELS;
    frames -= pass;
  }
}

int Mixer::busyVoices() const {
  int busy = 0;
  for (int i = 0; i < voice_count; ++i) busy += voices[i].sound >= 0 ? 1 : 0;
  return busy;
}

}  // namespace platform::audio
