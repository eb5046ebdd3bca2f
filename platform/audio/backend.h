// What the sound library (platform/audio/library.cpp) asks of the output
// beneath it. The library checks every argument and keeps the one system and
// its table of sounds; a backend only opens an output, holds the sounds by the
// table index the library gives them, and plays them. Each backend implements
// this once; a program links exactly one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/audio.h"
#include "platform/audio/wav.h"

namespace platform::audio {

// The library's operations, as a backend sees them being entered.
enum class Call { Create, Init, CreateSound, Play, Update, Release };
inline constexpr int CALL_KINDS = 6;

// Called first by every operation, before its own checks; any result but
// AUDIO_OK becomes the operation's result (tests make calls fail this way).
AudioResult enter(Call call);
// Opens the output with this many channels (already checked: 1..AUDIO_MAX_CHANNELS).
AudioResult openOutput(int channels);
// Stops all sound and closes the output; every sound has been freed before.
void closeOutput();
// Takes a checked WAV file as sound `index` (0..AUDIO_MAX_SOUNDS-1, free).
AudioResult loadSound(int index, const char* name, const std::uint8_t* file, std::size_t size,
                      const WavInfo& wav);
void freeSound(int index);
// Starts sound `index` on a free channel.
AudioResult playSound(int index);
// The output's periodic work.
AudioResult serviceOutput();

// Forgets the open system without asking the backend: a test's fresh start.
void forgetSystem();

}  // namespace platform::audio
