// The game's three sound effects, synthesised: a shot (fire.wav), a thud
// (hit.wav) and a knock (sound21.wav), as 16-bit PCM mono WAV files, each well
// under half a second, faded in and out so that they start and end without a
// click.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace soundgen {

inline constexpr int SAMPLE_RATE = 22050;

struct Effect {
  const char* file;
  std::vector<std::int16_t> (*make)();
};

std::vector<std::int16_t> shot();
std::vector<std::int16_t> thud();
std::vector<std::int16_t> knock();

inline constexpr Effect EFFECTS[] = {
    {"hit.wav", thud},
    {"fire.wav", shot},
    {"sound21.wav", knock},
};

// A whole WAV file of 16-bit mono PCM samples.
std::vector<std::uint8_t> wavBytes(const std::vector<std::int16_t>& samples, int rate);

// Writes the three files into the folder (which must exist); false, with the
// reason on standard error, when one cannot be written.
bool writeEffects(const std::string& folder);

}  // namespace soundgen
