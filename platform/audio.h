// The sound library: one system object that mixes a few channels, sounds
// loaded from WAV files by name, and an English text for every result code.
// The program calls it only through its sound wrapper (sound/). Each backend
// provides an output underneath: SDL2_mixer for people, a recorder for tests.
#pragma once

#include <cstdint>

// What every operation returns; 0 is success. The type is fixed, so any
// number is a value of it, also one that names no code.
enum AudioResult : std::int32_t {
  AUDIO_OK = 0,
  AUDIO_ERR_BAD_ARGUMENT = 1,         // a null pointer, a value out of range, a foreign handle
  AUDIO_ERR_NOT_INITIALISED = 2,      // the system is used before audioSystemInit
  AUDIO_ERR_ALREADY_INITIALISED = 3,  // audioSystemInit a second time
  AUDIO_ERR_BUSY = 4,                 // another system object is open
  AUDIO_ERR_NO_OUTPUT = 5,            // no output could be opened, not even a silent one
  AUDIO_ERR_OUT_OF_MEMORY = 6,
  AUDIO_ERR_FILE_NOT_FOUND = 7,     // no file by that name
  AUDIO_ERR_FILE_UNREADABLE = 8,    // the file exists but cannot be read
  AUDIO_ERR_FILE_MALFORMED = 9,     // not a well-formed WAV file
  AUDIO_ERR_FILE_UNSUPPORTED = 10,  // a WAV file the library cannot play (encoding, size)
  AUDIO_ERR_TOO_MANY_SOUNDS = 11,   // the system's table of sounds is full
  AUDIO_ERR_OUTPUT_FAILED = 12,     // the output refused a sound or stopped working
};

struct AudioSystem;
struct AudioSound;

inline constexpr int AUDIO_MAX_CHANNELS = 32;
inline constexpr int AUDIO_MAX_SOUNDS = 16;  // per system
// No initialisation flags and no sound modes are defined yet: 0 is the only
// value accepted (the defaults: any output, whole file in memory, played once).
inline constexpr std::uint32_t AUDIO_INIT_DEFAULT = 0;
inline constexpr std::uint32_t AUDIO_MODE_DEFAULT = 0;

// Makes the system object. One may be open at a time.
AudioResult audioSystemCreate(AudioSystem** system);
// Opens the output with 1..AUDIO_MAX_CHANNELS channels (sounds that can play
// at once). Flags AUDIO_INIT_DEFAULT; driver data is reserved and must be null.
AudioResult audioSystemInit(AudioSystem* system, int channels, std::uint32_t flags,
                            void* driver_data);
// Loads a WAV file (PCM, 8 or 16 bits, mono or stereo), opened by its name as
// given, relative names from the working directory. Mode AUDIO_MODE_DEFAULT;
// extra information is reserved and must be null. On success *sound can be
// played any number of times until the system is released.
AudioResult audioCreateSound(AudioSystem* system, const char* name, std::uint32_t mode,
                             const void* extra_info, AudioSound** sound);
// Starts the sound at once, not paused, on a free channel that the library
// chooses; earlier plays of the same sound go on.
AudioResult audioPlaySound(AudioSystem* system, AudioSound* sound);
// The library's periodic work; call once per frame.
AudioResult audioSystemUpdate(AudioSystem* system);
// Stops all sound, frees every sound of the system and closes it.
AudioResult audioSystemRelease(AudioSystem* system);

// A NUL-terminated English text for any result, also one that names no code.
const char* audioResultText(AudioResult result);
