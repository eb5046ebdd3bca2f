#include "game/game_state.h"

#include "game/random.h"

void resetGameState() { g_random = RandomChannels{}; }
