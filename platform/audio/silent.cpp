// An output that plays nothing: the sound library on a system that has no
// backend of its own yet (the Windows build). Files are still read and checked,
// so a missing or damaged sound file is found there too.
#include "platform/audio/backend.h"

namespace platform::audio {

AudioResult enter(Call /*call*/) { return AUDIO_OK; }
AudioResult openOutput(int /*channels*/) { return AUDIO_OK; }
void closeOutput() {}
AudioResult loadSound(int /*index*/, const char* /*name*/, const std::uint8_t* /*file*/,
                      std::size_t /*size*/, const WavInfo& /*wav*/) {
  return AUDIO_OK;
}
void freeSound(int /*index*/) {}
AudioResult playSound(int /*index*/) { return AUDIO_OK; }
AudioResult serviceOutput() { return AUDIO_OK; }

}  // namespace platform::audio
