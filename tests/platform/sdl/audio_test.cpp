// The sound library on SDL2_mixer, as the shipped program links it, on SDL's
// dummy driver: the same results for the same files as the headless output,
// small device buffers, silence where there is no device, and the policy when
// every channel is busy.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/audio.h"
#include "platform/sdl/sdl_backend.h"
#include "tests/platform/audio/sound_files.h"
#include "tools/soundgen/synth.h"

namespace {

std::atomic<int> g_largest_buffer{0};
std::atomic<int> g_lowest_sample{0};
std::atomic<bool> g_heard{false};

void observe(const std::int16_t* samples, int count) {
  if (count > g_largest_buffer) g_largest_buffer = count;
  for (int i = 0; i < count; ++i) {
    if (samples[i] != 0) g_heard = true;
    if (samples[i] < g_lowest_sample) g_lowest_sample = samples[i];
  }
}

// Waits up to two seconds for the condition, checked from the mixer's thread.
bool within2s(const std::atomic<bool>& seen) {
  for (int i = 0; i < 200 && !seen; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return seen;
}

class SdlSoundOutput : public ::testing::Test {
 protected:
  SoundFolder folder_;
  AudioSystem* system_ = nullptr;

  void SetUp() override {
    g_largest_buffer = 0;
    g_lowest_sample = 0;
    g_heard = false;
    platform::sdl::setMixObserver(observe);
  }
  void TearDown() override {
    platform::sdl::setMixObserver(nullptr);
    if (system_ != nullptr) {
      EXPECT_EQ(audioSystemRelease(system_), AUDIO_OK);
    }
  }
  void open(int channels) {
    ASSERT_EQ(audioSystemCreate(&system_), AUDIO_OK);
    ASSERT_EQ(audioSystemInit(system_, channels, AUDIO_INIT_DEFAULT, nullptr), AUDIO_OK);
  }
  AudioSound* load(const char* name) {
    AudioSound* sound = nullptr;
    EXPECT_EQ(audioCreateSound(system_, name, AUDIO_MODE_DEFAULT, nullptr, &sound), AUDIO_OK);
    return sound;
  }
};

TEST_F(SdlSoundOutput, FilesLoadOrFailWithTheSameCodes) {
  open(5);
  expectFileResults(system_);
}

TEST_F(SdlSoundOutput, APlayLeavesTheMixerInBuffersOf512FramesAtMost) {
  open(5);
  ASSERT_EQ(audioPlaySound(system_, load("hit.wav")), AUDIO_OK);
  EXPECT_TRUE(within2s(g_heard));
  EXPECT_GT(g_largest_buffer, 0);
  EXPECT_LE(g_largest_buffer, 512 * 2) << "stereo samples per buffer";
}

TEST_F(SdlSoundOutput, ANewSoundTakesTheLongestPlayingChannelWhenAllAreBusy) {
  // Two plain levels at the device's rate pass the mixer unchanged.
  const std::vector<std::int16_t> long_level(44100 * 3, 1000);
  const std::vector<std::int16_t> short_level(4410, -2000);
  makeFile(FileCase{"", FileShape::Bytes, soundgen::wavBytes(long_level, 44100), AUDIO_OK},
           "a.wav");
  makeFile(FileCase{"", FileShape::Bytes, soundgen::wavBytes(short_level, 44100), AUDIO_OK},
           "b.wav");
  open(1);
  AudioSound* first = load("a.wav");
  AudioSound* second = load("b.wav");
  ASSERT_EQ(audioPlaySound(system_, first), AUDIO_OK);
  ASSERT_TRUE(within2s(g_heard));
  ASSERT_EQ(audioPlaySound(system_, second), AUDIO_OK);
  std::atomic<bool> taken_over{false};
  for (int i = 0; i < 200 && !taken_over; ++i) {
    taken_over = g_lowest_sample < -1500;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(taken_over) << "the second sound never reached the output";
}

TEST_F(SdlSoundOutput, NoDeviceMeansSilenceSaidOnce) {
  const char* before = std::getenv("SDL_AUDIODRIVER");
  const std::string kept = before != nullptr ? before : "";
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  testing::internal::CaptureStderr();
  for (int round = 0; round < 2; ++round) {
    open(5);
    EXPECT_EQ(audioPlaySound(system_, load("fire.wav")), AUDIO_OK);
    EXPECT_EQ(audioSystemRelease(system_), AUDIO_OK);
    system_ = nullptr;
  }
  const std::string said = testing::internal::GetCapturedStderr();
  if (before != nullptr) {
    setenv("SDL_AUDIODRIVER", kept.c_str(), 1);
  } else {
    unsetenv("SDL_AUDIODRIVER");
  }
  EXPECT_EQ(said.find("No sound output"), said.rfind("No sound output")) << said;
  EXPECT_NE(said.find("the game runs silent"), std::string::npos) << said;
}

}  // namespace
