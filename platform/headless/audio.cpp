// The headless sound output: sounds are kept by name, every start is recorded
// with the frame it happened in, and any call can be made to fail.
#include <array>

#include "platform/headless/headless.h"

namespace headless {
namespace {

struct Failure {
  bool armed = false;
  int skip = 0;
  AudioResult result = AUDIO_OK;
};

struct AudioState {
  bool open = false;
  int channels = 0;
  std::array<std::string, AUDIO_MAX_SOUNDS> sounds;  // empty: no sound at that index
  std::vector<AudioPlay> plays;
  const std::uint32_t* frame_clock = nullptr;
  std::array<int, platform::audio::CALL_KINDS> calls{};
  std::array<Failure, platform::audio::CALL_KINDS> failures{};
};

AudioState& audio() {
  static AudioState s;
  return s;
}

std::size_t kindIndex(AudioCall call) { return static_cast<std::size_t>(call); }

}  // namespace

void resetAudio() {
  audio() = AudioState{};
  platform::audio::forgetSystem();
}

void setAudioFrameClock(const std::uint32_t* clock) { audio().frame_clock = clock; }
const std::vector<AudioPlay>& audioPlays() { return audio().plays; }

std::vector<std::string> audioSounds() {
  std::vector<std::string> names;
  for (const auto& name : audio().sounds) {
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

bool audioOutputOpen() { return audio().open; }
int audioOutputChannels() { return audio().channels; }
int audioCalls(AudioCall call) { return audio().calls[kindIndex(call)]; }

void failAudioCall(AudioCall call, AudioResult result, int skip) {
  audio().failures[kindIndex(call)] = Failure{true, skip, result};
}

}  // namespace headless

namespace platform::audio {

using headless::audio;

AudioResult enter(Call call) {
  const std::size_t kind = headless::kindIndex(call);
  ++audio().calls[kind];
  headless::Failure& failure = audio().failures[kind];
  if (!failure.armed) return AUDIO_OK;
  if (failure.skip > 0) {
    --failure.skip;
    return AUDIO_OK;
  }
  failure.armed = false;
  return failure.result;
}

AudioResult openOutput(int channels) {
  audio().open = true;
  audio().channels = channels;
  return AUDIO_OK;
}

void closeOutput() {
  audio().open = false;
  audio().channels = 0;
}

AudioResult loadSound(int index, const char* name, const std::uint8_t* /*file*/,
                      std::size_t /*size*/, const WavInfo& /*wav*/) {
  // A file named "" cannot be opened, so a loaded name is never empty.
  audio().sounds[static_cast<std::size_t>(index)] = name;
  return AUDIO_OK;
}

void freeSound(int index) { audio().sounds[static_cast<std::size_t>(index)].clear(); }

AudioResult playSound(int index) {
  const std::uint32_t* clock = audio().frame_clock;
  audio().plays.push_back(
      headless::AudioPlay{audio().sounds[static_cast<std::size_t>(index)], clock ? *clock : 0});
  return AUDIO_OK;
}

AudioResult serviceOutput() { return AUDIO_OK; }

}  // namespace platform::audio
