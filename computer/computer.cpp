#include "computer/computer.h"

#include <cstdio>
#include <cstring>

#include "game/game_state.h"
#include "game/helpers.h"
#include "game/player_controls.h"
#include "shell/shell_globals.h"

namespace computer {

bool parseLevel(const char* text, Level* level) {
  static constexpr Level levels[] = {Level::Easy, Level::Normal, Level::Hard};
  if (text == nullptr) return false;
  for (Level l : levels) {
    if (std::strcmp(text, levelName(l)) == 0) {
      *level = l;
      return true;
    }
  }
  return false;
}

const char* levelName(Level level) {
  switch (level) {
    case Level::Easy:
      return "easy";
    case Level::Hard:
      return "hard";
    case Level::Normal:
      break;
  }
  return "normal";
}

std::uint32_t defaultSeed(int walker) { return walker == 0 ? 0x5EED0001u : 0x5EED0002u; }

Territory measureTerritory() {
  Territory t;
  const PixelView p = backBuffer();
  if (p.size == 0) return t;
  const ColourIndex colour[2] = {g_game.ships[0].territoryColour(),
                                 g_game.ships[1].territoryColour()};
  // Inside the one-pixel border from (9, 7) to (width - 9, height - 7).
  for (std::int32_t y = 8; y < p.height - 7; ++y) {
    const std::uint8_t* row = p.base + static_cast<std::int64_t>(y) * p.stride;
    for (std::int32_t x = 10; x < p.width - 9; ++x) {
      ++t.arena;
      if (row[x] == colour[0]) ++t.pixels[0];
      if (row[x] == colour[1]) ++t.pixels[1];
    }
  }
  return t;
}

namespace {
// Tenths of a percent of part against whole, rounded half up; 0 without a whole.
std::uint64_t tenthsOfPercent(std::uint64_t part, std::uint64_t whole) {
  if (whole == 0) return 0;
  return (part * 2000 + whole) / (2 * whole);
}
}  // namespace

std::string territoryLine(const Territory& t) {
  const std::uint64_t a = tenthsOfPercent(t.pixels[0], t.arena);
  const std::uint64_t b = tenthsOfPercent(t.pixels[1], t.arena);
  char line[96];
  std::snprintf(line, sizeof line, "territory: walker 0 %llu.%llu %%, walker 1 %llu.%llu %%",
                static_cast<unsigned long long>(a / 10), static_cast<unsigned long long>(a % 10),
                static_cast<unsigned long long>(b / 10), static_cast<unsigned long long>(b % 10));
  return line;
}

Driver::Driver(int walker, Level level, std::uint32_t seed)
    : walker_(walker), player_(walker, level, seed) {}

int Driver::changes(std::uint32_t frame, Change out[2]) {
  const Controls want = player_.decide(frame);
  int n = 0;
  for (int c = 0; c < 2; ++c) {
    if (want.held[c] == held_.held[c]) continue;
    const bool mouse = walker_ == 0;
    out[n++] = Change{mouse, controlCode(mouse, static_cast<ArmControl>(c)), want.held[c]};
    held_.held[c] = want.held[c];
  }
  return n;
}

int Driver::releaseAll(Change out[2]) {
  int n = 0;
  for (int c = 0; c < 2; ++c) {
    if (!held_.held[c]) continue;
    const bool mouse = walker_ == 0;
    out[n++] = Change{mouse, controlCode(mouse, static_cast<ArmControl>(c)), false};
    held_.held[c] = false;
  }
  return n;
}

}  // namespace computer
