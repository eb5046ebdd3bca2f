// Sound files for tests: a private folder holding the game's three effects,
// entered for the life of the object, and WAV files that are wrong in one way
// each, with the result the library owes for them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio.h"

// A fresh temporary folder with hit.wav, fire.wav and sound21.wav, made the
// working directory; the old one is restored and the folder removed at the end.
class SoundFolder {
 public:
  SoundFolder();
  ~SoundFolder();
  SoundFolder(const SoundFolder&) = delete;
  SoundFolder& operator=(const SoundFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

enum class FileShape { Bytes, Missing, Folder };

struct FileCase {
  const char* what;
  FileShape shape;
  std::vector<std::uint8_t> bytes;
  AudioResult expected;
};

// Good files, missing and unreadable ones, and one of each kind of damage.
std::vector<FileCase> fileCases();
// Puts the case under `name` in the working directory (nothing when Missing).
void makeFile(const FileCase& c, const char* name);
// Loads every case into the open, initialised system through whichever output
// is linked, expecting the case's result and a sound exactly on success.
void expectFileResults(AudioSystem* system);
