// The browser build's sound output: Web Audio. Each sound becomes an audio
// buffer of the page's context; a play starts a source on it, and with every
// channel busy the new sound takes the longest-playing one. The page's side is
// platform/web/audio.js. Browsers let a page sound only after a click or
// a key, so the context starts suspended and resumes at the first one.
#include <cstdio>
#include <cstdlib>

#include "platform/audio/backend.h"
#include "platform/web/float_samples.h"

extern "C" {
// platform/web/audio.js
int starquell_audio_open(int channels);
void starquell_audio_close();
int starquell_audio_load(int index, const char* name, const float* samples, int channels,
                         int frames, int rate);
void starquell_audio_free(int index);
int starquell_audio_play(int index);
}

namespace platform::audio {

namespace {
bool g_told_silent = false;  // the fall-back to silence has been reported
}

AudioResult enter(Call /*call*/) { return AUDIO_OK; }

AudioResult openOutput(int channels) {
  // A page without Web Audio runs silent, as a desktop without a sound device.
  if (starquell_audio_open(channels) == 0 && !g_told_silent) {
    std::fprintf(stderr,
                 "No sound output (this browser has no Web Audio): the game runs silent.\n");
    g_told_silent = true;
  }
  return AUDIO_OK;
}

void closeOutput() { starquell_audio_close(); }

AudioResult loadSound(int index, const char* name, const std::uint8_t* file, std::size_t /*size*/,
                      const WavInfo& wav) {
  const std::size_t frames = wavFrames(wav);
  auto* samples =
      static_cast<float*>(std::malloc(frames * wav.channels * sizeof(float)));  // freed below
  if (samples == nullptr) return AUDIO_ERR_OUT_OF_MEMORY;
  planarFloatSamples(file, wav, samples);
  // The page copies the samples into its own buffer, or refuses a rate it
  // cannot play.
  const int loaded = starquell_audio_load(index, name, samples, wav.channels,
                                          static_cast<int>(frames), static_cast<int>(wav.rate));
  std::free(samples);
  return loaded != 0 ? AUDIO_OK : AUDIO_ERR_FILE_UNSUPPORTED;
}

void freeSound(int index) { starquell_audio_free(index); }

AudioResult playSound(int index) {
  return starquell_audio_play(index) != 0 ? AUDIO_OK : AUDIO_ERR_OUTPUT_FAILED;
}

// The browser mixes on its own thread and needs no periodic call.
AudioResult serviceOutput() { return AUDIO_OK; }

}  // namespace platform::audio
