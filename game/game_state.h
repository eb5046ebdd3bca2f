// The one static game object: everything the game keeps for the whole
// process. Tests put it back into its freshly constructed state.
#pragma once

#include "sound/sound_system.h"

struct GameGlobals {
  SoundSystem sound;
};

extern GameGlobals g_game;

// Puts the game's static state back to its freshly constructed values.
void resetGameState();
