// The sound library's operations, the same for every backend: argument
// checks, the one system object and its table of sounds, the loading and
// checking of files, and the result texts.
#include "platform/audio/backend.h"
#include "platform/audio/lookup.h"

namespace pa = platform::audio;

struct AudioSound {
  bool loaded = false;
};

struct AudioSystem {
  bool open = false;
  bool initialised = false;
  AudioSound sounds[AUDIO_MAX_SOUNDS];
};

namespace {

// One output, so one system: static, so that an open system costs no memory
// and a process that ends without releasing it leaks nothing.
AudioSystem g_system;

bool isOpen(const AudioSystem* system) { return system == &g_system && g_system.open; }

AudioResult checkReady(const AudioSystem* system) {
  if (!isOpen(system)) return AUDIO_ERR_BAD_ARGUMENT;
  return system->initialised ? AUDIO_OK : AUDIO_ERR_NOT_INITIALISED;
}

}  // namespace

void pa::forgetSystem() { g_system = AudioSystem{}; }

AudioResult audioSystemCreate(AudioSystem** system) {
  if (const AudioResult r = pa::enter(pa::Call::Create); r != AUDIO_OK) return r;
  if (system == nullptr) return AUDIO_ERR_BAD_ARGUMENT;
  if (g_system.open) return AUDIO_ERR_BUSY;
  g_system = AudioSystem{};
  g_system.open = true;
  *system = &g_system;
  return AUDIO_OK;
}

AudioResult audioSystemInit(AudioSystem* system, int channels, std::uint32_t flags,
                            void* driver_data) {
  if (const AudioResult r = pa::enter(pa::Call::Init); r != AUDIO_OK) return r;
  if (!isOpen(system)) return AUDIO_ERR_BAD_ARGUMENT;
  if (system->initialised) return AUDIO_ERR_ALREADY_INITIALISED;
  if (channels < 1 || channels > AUDIO_MAX_CHANNELS || flags != AUDIO_INIT_DEFAULT ||
      driver_data != nullptr) {
    return AUDIO_ERR_BAD_ARGUMENT;
  }
  const AudioResult r = pa::openOutput(channels);
  if (r == AUDIO_OK) system->initialised = true;
  return r;
}

AudioResult audioCreateSound(AudioSystem* system, const char* name, std::uint32_t mode,
                             const void* extra_info, AudioSound** sound) {
  if (const AudioResult r = pa::enter(pa::Call::CreateSound); r != AUDIO_OK) return r;
  if (const AudioResult r = checkReady(system); r != AUDIO_OK) return r;
  if (name == nullptr || mode != AUDIO_MODE_DEFAULT || extra_info != nullptr || sound == nullptr) {
    return AUDIO_ERR_BAD_ARGUMENT;
  }
  int index = 0;
  while (index < AUDIO_MAX_SOUNDS && system->sounds[index].loaded) ++index;
  if (index == AUDIO_MAX_SOUNDS) return AUDIO_ERR_TOO_MANY_SOUNDS;
  pa::FileBytes file;
  if (const AudioResult r = pa::readSoundFile(name, pa::configuredSoundFolder(), &file);
      r != AUDIO_OK)
    return r;
  pa::WavInfo wav;
  if (const AudioResult r = pa::parseWav(file.data.get(), file.size, &wav); r != AUDIO_OK) return r;
  if (const AudioResult r = pa::loadSound(index, name, file.data.get(), file.size, wav);
      r != AUDIO_OK) {
    return r;
  }
  system->sounds[index].loaded = true;
  *sound = &system->sounds[index];
  return AUDIO_OK;
}

AudioResult audioPlaySound(AudioSystem* system, AudioSound* sound) {
  if (const AudioResult r = pa::enter(pa::Call::Play); r != AUDIO_OK) return r;
  if (const AudioResult r = checkReady(system); r != AUDIO_OK) return r;
  for (int i = 0; i < AUDIO_MAX_SOUNDS; ++i) {
    if (sound == &system->sounds[i] && sound->loaded) return pa::playSound(i);
  }
  return AUDIO_ERR_BAD_ARGUMENT;
}

AudioResult audioSystemUpdate(AudioSystem* system) {
  if (const AudioResult r = pa::enter(pa::Call::Update); r != AUDIO_OK) return r;
  if (const AudioResult r = checkReady(system); r != AUDIO_OK) return r;
  return pa::serviceOutput();
}

AudioResult audioSystemRelease(AudioSystem* system) {
  if (const AudioResult r = pa::enter(pa::Call::Release); r != AUDIO_OK) return r;
  if (!isOpen(system)) return AUDIO_ERR_BAD_ARGUMENT;
  for (int i = 0; i < AUDIO_MAX_SOUNDS; ++i) {
    if (system->sounds[i].loaded) pa::freeSound(i);
  }
  if (system->initialised) pa::closeOutput();
  g_system = AudioSystem{};
  return AUDIO_OK;
}

const char* audioResultText(AudioResult result) {
  switch (result) {
    case AUDIO_OK:
      return "Success.";
    case AUDIO_ERR_BAD_ARGUMENT:
      return "An argument was missing, out of range, or not a handle of this system.";
    case AUDIO_ERR_NOT_INITIALISED:
      return "The sound system was used before it was initialised.";
    case AUDIO_ERR_ALREADY_INITIALISED:
      return "The sound system is already initialised.";
    case AUDIO_ERR_BUSY:
      return "Another sound system is already open.";
    case AUDIO_ERR_NO_OUTPUT:
      return "No sound output could be opened.";
    case AUDIO_ERR_OUT_OF_MEMORY:
      return "Not enough memory.";
    case AUDIO_ERR_FILE_NOT_FOUND:
      return "The file was not found.";
    case AUDIO_ERR_FILE_UNREADABLE:
      return "The file could not be read.";
    case AUDIO_ERR_FILE_MALFORMED:
      return "The file is not a well-formed WAV file.";
    case AUDIO_ERR_FILE_UNSUPPORTED:
      return "The WAV file's encoding or size is not supported.";
    case AUDIO_ERR_TOO_MANY_SOUNDS:
      return "The sound system holds as many sounds as it can.";
    case AUDIO_ERR_OUTPUT_FAILED:
      return "The sound output failed.";
  }
  return "Unknown sound system result.";
}
