#include "game/game_state.h"

#include <memory>

#include "game/random.h"

GameGlobals g_game;

void resetGameState() {
  std::destroy_at(&g_game);
  Ship::resetCounter();
  std::construct_at(&g_game);
  g_random = RandomChannels{};
}
