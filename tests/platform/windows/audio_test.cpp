// The sound library on waveOut, as starquell.exe links it, run under Wine:
// the same results for the same files as the other outputs, a system that is
// opened, played and released again and again (the output's thread started
// and stopped each time), and silence said once where no device opens. ctest
// runs it twice: with a sound device (ALSA's null sink) and without one.
#include <gtest/gtest.h>

#include <string>

#include "platform/audio.h"
#include "platform/win32.h"
#include "tests/platform/audio/sound_files.h"

namespace {

class WaveOutput : public ::testing::Test {
 protected:
  SoundFolder folder_;
  AudioSystem* system_ = nullptr;

  void TearDown() override {
    if (system_ != nullptr) {
      EXPECT_EQ(audioSystemRelease(system_), AUDIO_OK);
    }
  }
  void open() {
    ASSERT_EQ(audioSystemCreate(&system_), AUDIO_OK);
    ASSERT_EQ(audioSystemInit(system_, 5, AUDIO_INIT_DEFAULT, nullptr), AUDIO_OK);
  }
  // Opens, plays every sound twice over, lets them sound, releases.
  void playAndRelease() {
    open();
    for (const char* name : {"hit.wav", "fire.wav", "sound21.wav"}) {
      AudioSound* sound = nullptr;
      ASSERT_EQ(audioCreateSound(system_, name, AUDIO_MODE_DEFAULT, nullptr, &sound), AUDIO_OK);
      EXPECT_EQ(audioPlaySound(system_, sound), AUDIO_OK);
      EXPECT_EQ(audioPlaySound(system_, sound), AUDIO_OK);
    }
    Sleep(50);
    EXPECT_EQ(audioSystemUpdate(system_), AUDIO_OK);
    EXPECT_EQ(audioSystemRelease(system_), AUDIO_OK);
    system_ = nullptr;
  }
};

TEST_F(WaveOutput, FilesLoadOrFailWithTheSameCodes) {
  open();
  expectFileResults(system_);
}

TEST_F(WaveOutput, OpensPlaysAndReleasesAgainAndAgain) {
  for (int round = 0; round < 3; ++round) playAndRelease();
}

TEST_F(WaveOutput, NoDeviceMeansSilenceSaidOnce) {
  if (waveOutGetNumDevs() > 0) GTEST_SKIP() << "this system has a sound device";
  testing::internal::CaptureStderr();
  for (int round = 0; round < 2; ++round) playAndRelease();
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said.find("No sound output"), said.rfind("No sound output")) << said;
  EXPECT_NE(said.find("the game runs silent"), std::string::npos) << said;
}

}  // namespace
