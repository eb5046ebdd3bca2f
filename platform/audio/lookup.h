// Where the sound library finds a file named relatively. The folder the
// program runs in comes first, as it always did; when the name is not there,
// folders tied to the executable and the folder the build was configured to
// install its data into, so that an installed, unpacked or moved program finds
// its sounds wherever it is started from.
#pragma once

#include <cstddef>

#include "platform/audio.h"
#include "platform/audio/wav.h"

namespace platform::audio {

inline constexpr int SEARCH_FOLDERS = 3;
inline constexpr std::size_t SEARCH_PATH_MAX = 1024;

// The folders after the current one, in the order they are tried: the
// executable's own folder, share/starquell/sounds beside that folder (an
// installed tree, wherever it was moved), the configured folder. One that
// cannot be named (no executable path, no configured folder, too long) or
// repeats an earlier one is left out.
struct SearchFolders {
  char path[SEARCH_FOLDERS][SEARCH_PATH_MAX];
  int count;
};
void searchFolders(const char* executable, const char* configured, SearchFolders* out);

// Reads a sound file whole. A name with a root is read as given; a relative
// one from the current folder, then from each search folder (the executable's
// path from executablePath (platform/executable.h), `configured` the configured folder or null):
// the first folder where the name is a regular file that opens decides the result (a folder
// of that name is passed over). When none holds one, the result is
// AUDIO_ERR_FILE_NOT_FOUND and a line on standard error names every folder looked in.
AudioResult readSoundFile(const char* name, const char* configured, FileBytes* out);

// The folder the build was configured to install the sounds into ("": none).
const char* configuredSoundFolder();

}  // namespace platform::audio
