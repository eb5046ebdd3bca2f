// The sound library on the headless output: files are really read and checked,
// handles are checked, and every result has a text.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/audio.h"
#include "tests/platform/audio/sound_files.h"
#include "tests/support/fresh_state.h"

namespace {

class SoundLibrary : public FreshState {
 protected:
  AudioSystem* system_ = nullptr;

  void open() {
    ASSERT_EQ(audioSystemCreate(&system_), AUDIO_OK);
    ASSERT_EQ(audioSystemInit(system_, 5, AUDIO_INIT_DEFAULT, nullptr), AUDIO_OK);
  }
};

TEST_F(SoundLibrary, FilesLoadOrFailWithTheirCode) {
  const SoundFolder folder;
  open();
  expectFileResults(system_);
}

TEST_F(SoundLibrary, HandlesAreCheckedAtEveryStep) {
  AudioSystem* other = nullptr;
  AudioSound* sound = nullptr;
  EXPECT_EQ(audioSystemUpdate(system_), AUDIO_ERR_BAD_ARGUMENT) << "no system yet";
  ASSERT_EQ(audioSystemCreate(&system_), AUDIO_OK);
  EXPECT_EQ(audioSystemCreate(&other), AUDIO_ERR_BUSY);
  EXPECT_EQ(audioCreateSound(system_, "hit.wav", 0, nullptr, &sound), AUDIO_ERR_NOT_INITIALISED);
  EXPECT_EQ(audioSystemInit(system_, AUDIO_MAX_CHANNELS + 1, 0, nullptr), AUDIO_ERR_BAD_ARGUMENT);
  ASSERT_EQ(audioSystemInit(system_, 5, 0, nullptr), AUDIO_OK);
  EXPECT_EQ(audioSystemInit(system_, 5, 0, nullptr), AUDIO_ERR_ALREADY_INITIALISED);
  EXPECT_EQ(headless::audioOutputChannels(), 5);
  for (int i = 0; i < AUDIO_MAX_SOUNDS; ++i) {
    ASSERT_EQ(audioCreateSound(system_, "hit.wav", 0, nullptr, &sound), AUDIO_OK);
  }
  EXPECT_EQ(audioCreateSound(system_, "fire.wav", 0, nullptr, &sound), AUDIO_ERR_TOO_MANY_SOUNDS);
  EXPECT_EQ(audioPlaySound(system_, nullptr), AUDIO_ERR_BAD_ARGUMENT);
  EXPECT_EQ(audioPlaySound(system_, sound), AUDIO_OK);
  ASSERT_EQ(audioSystemRelease(system_), AUDIO_OK);
  EXPECT_FALSE(headless::audioOutputOpen());
  EXPECT_TRUE(headless::audioSounds().empty());
  // A released system's handles are refused, also once a new system is open.
  EXPECT_EQ(audioPlaySound(system_, sound), AUDIO_ERR_BAD_ARGUMENT);
  ASSERT_EQ(audioSystemCreate(&other), AUDIO_OK);
  ASSERT_EQ(audioSystemInit(other, 5, 0, nullptr), AUDIO_OK);
  EXPECT_EQ(audioPlaySound(other, sound), AUDIO_ERR_BAD_ARGUMENT);
  EXPECT_EQ(headless::audioPlays().size(), 1u);
}

TEST_F(SoundLibrary, EveryResultHasItsOwnText) {
  std::set<std::string> texts;
  for (int code = AUDIO_OK; code <= AUDIO_ERR_OUTPUT_FAILED; ++code) {
    texts.insert(audioResultText(static_cast<AudioResult>(code)));
  }
  EXPECT_EQ(texts.size(), static_cast<std::size_t>(AUDIO_ERR_OUTPUT_FAILED + 1));
  for (const int unknown : {-1, AUDIO_ERR_OUTPUT_FAILED + 1, INT32_MIN}) {
    const std::string text = audioResultText(static_cast<AudioResult>(unknown));
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(texts.count(text), 0u) << unknown;
  }
}

}  // namespace
