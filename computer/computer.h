// The computer player: plays one walker with the two controls a person has,
// from what a person sees (the walkers, the shots, the arena's pixels). Its
// decisions enter the program as the window messages a person's controls
// give, so a game against it is recorded as input and the game does not know
// who plays. Deterministic (no clock, its own seeded generator) and fair (at
// most one change of each control per MIN_CHANGE_FRAMES).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace computer {

enum class Level : std::uint8_t { Easy, Normal, Hard };
// "easy", "normal", "hard" -> Level; false for anything else.
bool parseLevel(const char* text, Level* level);
const char* levelName(Level level);

// The walker's two controls as a person holds them: [0] = ArmControl::Back,
// [1] = ArmControl::On (walker 0: left and right mouse buttons; walker 1: Z
// and X — game/player_controls.h).
struct Controls {
  bool held[2] = {false, false};
};

// One computer player for one walker. Deterministic: no clock, its own
// generator seeded from `seed`.
class Player {
 public:
  Player(int walker, Level level, std::uint32_t seed);
  // Called once per game frame, after frame `frame` - 1 has run and before
  // frame `frame`'s input is given: reads the game's state (g_game, the main
  // window's pixels) read-only and returns the controls to hold for `frame`.
  // At most one change of each control per MIN_CHANGE_FRAMES frames. The
  // walker 0 player never presses while the game's controls are locked (its
  // buttons would choose levels). Never changes the game (the hard level's
  // look-ahead saves the state and restores it).
  Controls decide(std::uint32_t frame);
  // About 10 changes a second at 60 frames a second.
  static constexpr std::uint32_t MIN_CHANGE_FRAMES = 6;

  // The player's workings, public for its own model of them.
  // The controls as held, with the change limit and the game's gap between
  // shots kept as the game keeps them.
  struct Hands {
    Controls held;
    std::uint32_t changed_at[2] = {0, 0};
    bool changed[2] = {false, false};
    std::uint32_t last_attempt = 0;  // the last frame both were held past the gap
    bool attempted = false;
    // Holds what is wanted where the limit allows; true when the frame fires.
    bool apply(std::uint32_t frame, Controls want);
  };
  // Turn the arm one way (-1 back, +1 on, 0 not at all) for `frames` frames
  // from `start` with one control, then hold both until a shot goes.
  struct Plan {
    std::int32_t direction = 0;
    std::uint32_t start = 0;
    std::uint32_t frames = 0;
    bool active = false;
    Controls at(std::uint32_t frame) const;
  };

 private:
  void choose(std::uint32_t frame);
  std::uint32_t next();

  int walker_;
  Level level_;
  std::uint32_t random_;
  Hands hands_;
  Plan plan_;
  std::vector<std::uint8_t> block_;  // the hard level's saved state
};

// The default seed for a game: fixed per walker, so that the same game runs
// the same twice.
std::uint32_t defaultSeed(int walker);

// The share of the arena inside the border in each walker's colour (walker 0
// black, walker 1 white), from the main window's pixels as they are now.
struct Territory {
  std::uint64_t pixels[2] = {0, 0};
  std::uint64_t arena = 0;  // pixels inside the border
};
Territory measureTerritory();
// "territory: walker 0 61.4 %, walker 1 38.6 %" (one decimal, rounded half
// up, of each against the arena).
std::string territoryLine(const Territory& t);

// A control changing: a mouse button index (0 left, 1 right) or a virtual key.
struct Change {
  bool mouse;
  int code;
  bool down;
};

// Keeps the controls a Player holds and gives the down/up changes that the
// program turns into window messages.
class Driver {
 public:
  Driver(int walker, Level level, std::uint32_t seed);
  // The changes to give before frame `frame` (at most 2): decide() compared
  // with what is held.
  int changes(std::uint32_t frame, Change out[2]);
  // Releases what is held (the game ends or the computer stops): at most 2
  // changes.
  int releaseAll(Change out[2]);

 private:
  int walker_;
  Player player_;
  Controls held_;
};

}  // namespace computer
