// Writes hit.wav, fire.wav and sound21.wav into the folder given, making it
// when missing. Run by the build.
// Usage: soundgen FOLDER
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/soundgen/synth.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  std::error_code error;
  std::filesystem::create_directories(argv[1], error);
  if (error) {
    std::fprintf(stderr, "soundgen: cannot make %s: %s\n", argv[1], error.message().c_str());
    return 1;
  }
  return soundgen::writeEffects(argv[1]) ? 0 : 1;
}
