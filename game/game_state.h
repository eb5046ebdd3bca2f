// The one static game object: everything the game keeps for the whole
// process. Tests put it back into its freshly constructed state.
#pragma once

#include <cstdint>

#include "game/lock_times.h"
#include "game/ship.h"
#include "game/shots.h"
#include "shell/main_window.h"
#include "sound/sound_system.h"

inline constexpr std::int32_t START_LEVEL = 3;

struct GameGlobals {
  Ship ships[2];  // constructed in order: ship 0, then ship 1
  ShotList shots;
  SoundSystem sound;
  std::int32_t current_level = START_LEVEL;
  std::uint32_t level_change_frame = 0;  // presented_frames at the last level build
  ColourIndex border_colour = 0;
  bool painting_frame = false;  // paintFrame is running

  // True once the start lock and the lock after the last level build are over:
  // the ships may steer and fire, and the mouse no longer selects levels.
  bool controlsEnabled() const;
  // The one-pixel arena border from (9, 7) to (width - 9, height - 7).
  void drawBorder() const;
};

extern GameGlobals g_game;

// Puts the game's static state back to its freshly constructed values.
void resetGameState();
