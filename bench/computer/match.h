// A whole game between two sides, headless and without a window's paint
// after the first frame: the level chosen by left clicks in the start lock as
// a person chooses it, each side's controls given as input messages before
// every frame. The strength table and the computer's tests play these.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "bench/support/headless_game.h"
#include "computer/computer.h"
#include "game/frame_runner.h"
#include "game/input_messages.h"
#include "game/levels.h"

namespace match {

enum class Side : std::uint8_t { Idle, Random, Easy, Normal, Hard };

inline const char* sideName(Side s) {
  static const char* const names[] = {"idle", "random", "easy", "normal", "hard"};
  return names[static_cast<int>(s)];
}

struct Game {
  Side sides[2] = {Side::Idle, Side::Idle};  // walker 0, walker 1
  std::int32_t level = START_LEVEL;          // 0..3
  std::uint32_t seed = 1;
  std::uint32_t frames = 3600;
};

// A player pressing at random: each frame, each control flips with a chance
// of one in 16, from its own seeded generator; never in the lock.
class RandomPresser {
 public:
  RandomPresser(int walker, std::uint32_t seed) : walker_(walker), state_(seed | 1u) {}
  computer::Controls decide() {
    if (g_game.controlsEnabled()) {
      for (bool& h : held_.held) {
        if (step() % 16 == 0) h = !h;
      }
    }
    return held_;
  }
  int walker() const { return walker_; }

 private:
  std::uint32_t step() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  int walker_;
  std::uint32_t state_;
  computer::Controls held_;
};

// What one frame's controls were, for the checks that watch a game.
struct FrameControls {
  std::uint32_t frame = 0;
  bool locked = false;
  computer::Controls held[2];
};

inline computer::Level levelOf(Side s) {
  return s == Side::Easy   ? computer::Level::Easy
         : s == Side::Hard ? computer::Level::Hard
                           : computer::Level::Normal;
}

inline bool isComputer(Side s) { return s == Side::Easy || s == Side::Normal || s == Side::Hard; }

// The seed of a side's generator in a game.
inline std::uint32_t sideSeed(const Game& g, int walker) {
  return g.seed * 2654435761u + computer::defaultSeed(walker);
}

// What a caller may watch or replace in a game.
struct Hooks {
  // Every frame's controls, before the frame runs.
  std::function<void(const FrameControls&)> watch;
  // Calls a computer player's decision (the default calls decide(frame)).
  std::function<computer::Controls(computer::Player&, std::uint32_t frame)> decide;
  // After every frame, with the sounds it asked for.
  std::function<void(std::uint32_t frame, std::uint32_t sounds)> ran;
  // The controls of each frame as another game watched them, given instead
  // of the sides' (indexed by frame).
  const std::vector<FrameControls>* replay = nullptr;
};

// Plays the game from a fresh program. Returns the territory after the last frame.
inline computer::Territory play(const Game& g, const Hooks& hooks = {}) {
  startHeadlessGame();
  std::optional<computer::Player> players[2];
  std::optional<RandomPresser> pressers[2];
  for (int w = 0; w < 2; ++w) {
    if (isComputer(g.sides[w])) players[w].emplace(w, levelOf(g.sides[w]), sideSeed(g, w));
    if (g.sides[w] == Side::Random) pressers[w].emplace(w, sideSeed(g, w));
  }
  computer::Controls held[2];
  std::uint32_t sounds = 0;
  const int clicks = START_LEVEL - g.level;
  std::vector<InputMessage> in;
  in.reserve(8);
  for (std::uint32_t f = g_shell.main_window.presented_frames; f < g.frames; ++f) {
    in.clear();
    // The level: left clicks at frames 3, 5, 7 step it down from the start level.
    for (int i = 0; i < clicks; ++i) {
      const auto at = static_cast<std::uint32_t>(3 + 2 * i);
      if (f == at || f == at + 1) in.push_back(buttonMessage(MOUSE_LEFT, f == at));
    }
    FrameControls fc;
    fc.frame = f;
    fc.locked = !g_game.controlsEnabled();
    computer::Controls want[2];
    for (int w = 0; w < 2; ++w) {
      if (hooks.replay != nullptr) {
        if (f < hooks.replay->size()) want[w] = (*hooks.replay)[f].held[w];
        continue;
      }
      if (players[w]) want[w] = hooks.decide ? hooks.decide(*players[w], f) : players[w]->decide(f);
      if (pressers[w]) want[w] = pressers[w]->decide();
    }
    for (int w = 0; w < 2; ++w) {
      for (int c = 0; c < 2; ++c) {
        if (want[w].held[c] == held[w].held[c]) continue;
        const auto control = static_cast<ArmControl>(c);
        in.push_back(w == 0 ? buttonMessage(controlCode(true, control), want[w].held[c])
                            : keyMessage(static_cast<std::uint32_t>(controlCode(false, control)),
                                         want[w].held[c]));
      }
      held[w] = want[w];
      fc.held[w] = held[w];
    }
    if (hooks.watch) hooks.watch(fc);
    stepFrame(in, &sounds);
    if (hooks.ran) hooks.ran(f, sounds);
  }
  return computer::measureTerritory();
}

}  // namespace match
