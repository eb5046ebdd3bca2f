// The sound output the shipped program links: SDL2_mixer on SDL's audio device,
// one mixer channel per library channel.
#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <cstdio>

#include "platform/audio/backend.h"
#include "platform/sdl/sdl_backend.h"

namespace platform::sdl {
namespace {

constexpr int OUTPUT_RATE = 44100;
constexpr int OUTPUT_CHANNELS = 2;
// 512 sample frames, about 12 ms at 44.1 kHz: a sound started in the idle pass
// leaves the mixer within the frame, and is heard within a frame or two.
constexpr int OUTPUT_BUFFER_FRAMES = 512;

struct Output {
  Mix_Chunk* chunks[AUDIO_MAX_SOUNDS] = {};
  bool told_silent = false;  // the fall-back to silence has been reported
  std::atomic<MixObserver> observer{nullptr};
};

Output g_output;

void postMix(void* /*unused*/, Uint8* stream, int bytes) {
  if (MixObserver observer = g_output.observer.load()) {
    observer(reinterpret_cast<const std::int16_t*>(stream), bytes / 2);
  }
}

bool openMixer() {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  // The device may pick its own rate; format, channels and buffer stay as asked.
  if (Mix_OpenAudioDevice(OUTPUT_RATE, AUDIO_S16SYS, OUTPUT_CHANNELS, OUTPUT_BUFFER_FRAMES, nullptr,
                          SDL_AUDIO_ALLOW_FREQUENCY_CHANGE) != 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  return true;
}

}  // namespace

void setMixObserver(MixObserver observer) { g_output.observer.store(observer); }

}  // namespace platform::sdl

namespace platform::audio {

using sdl::g_output;

AudioResult enter(Call /*call*/) { return AUDIO_OK; }

AudioResult openOutput(int channels) {
  if (!sdl::openMixer()) {
    // No sound device at all is no reason to stop a game: it runs silent on
    // SDL's dummy driver, and says so once.
    char reason[256];
    std::snprintf(reason, sizeof reason, "%s", SDL_GetError());
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    const bool silent = sdl::openMixer();
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (!silent) return AUDIO_ERR_NO_OUTPUT;
    if (!g_output.told_silent) {
      std::fprintf(stderr, "No sound output (%s): the game runs silent.\n", reason);
      g_output.told_silent = true;
    }
  }
  if (Mix_AllocateChannels(channels) != channels) {
    closeOutput();
    return AUDIO_ERR_OUT_OF_MEMORY;
  }
  Mix_SetPostMix(sdl::postMix, nullptr);
  return AUDIO_OK;
}

void closeOutput() {
  Mix_SetPostMix(nullptr, nullptr);
  Mix_CloseAudio();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

AudioResult loadSound(int index, const char* /*name*/, const std::uint8_t* file, std::size_t size,
                      const WavInfo& /*wav*/) {
  // The file has been checked; the mixer converts it to the device's format.
  SDL_RWops* source = SDL_RWFromConstMem(file, static_cast<int>(size));
  if (source == nullptr) return AUDIO_ERR_OUT_OF_MEMORY;
  Mix_Chunk* chunk = Mix_LoadWAV_RW(source, 1);
  if (chunk == nullptr) return AUDIO_ERR_FILE_UNSUPPORTED;
  g_output.chunks[index] = chunk;
  return AUDIO_OK;
}

void freeSound(int index) {
  Mix_FreeChunk(g_output.chunks[index]);
  g_output.chunks[index] = nullptr;
}

AudioResult playSound(int index) {
  Mix_Chunk* chunk = g_output.chunks[index];
  int channel = Mix_PlayChannel(-1, chunk, 0);
  // Every channel busy: the new sound takes the channel that has played
  // longest. A new event matters more than the tail of an old one.
  if (channel < 0) {
    const int oldest = Mix_GroupOldest(-1);
    if (oldest >= 0) channel = Mix_PlayChannel(oldest, chunk, 0);
  }
  return channel < 0 ? AUDIO_ERR_OUTPUT_FAILED : AUDIO_OK;
}

// The mixer runs on SDL's audio thread and needs no periodic call.
AudioResult serviceOutput() { return AUDIO_OK; }

}  // namespace platform::audio
